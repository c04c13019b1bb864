<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>DialogLanguage</name>
    <message>
        <location filename="../../language/dialoglanguage.cpp" line="+49"/>
        <source>Please choose a language</source>
        <translation>Please choose a language</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <location filename="../../mainwindow/mainwindowform.cpp" line="+158"/>
        <source>Ormwick DataLogger</source>
        <translation>Ormwick DataLogger</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Exit</source>
        <translation>Exit</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Quits the application</source>
        <translation>Quits the application</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Refresh Ports</source>
        <translation>Refresh Ports</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Refreshes the list of COM ports</source>
        <translation>Refreshes the list of COM ports</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>About</source>
        <translation>About</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Shows version information about Lumetra DataLogger</source>
        <translation>Shows version information about Lumetra DataLogger</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Change Language...</source>
        <translation>Change Language...</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Change the language used in this application</source>
        <translation>Change the language used in this application</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+16"/>
        <source>Help</source>
        <translation>Help</translation>
    </message>
    <message>
        <location line="-14"/>
        <source>Shows documentation</source>
        <translation>Shows documentation</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Convert CSV Data</source>
        <translation>Convert CSV Data</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Device Connection</source>
        <translation>Device Connection</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Download</source>
        <translation>Download</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Downloaded Output</source>
        <translation>Downloaded Output</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Save</source>
        <translation>Save</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Tools</source>
        <translation>Tools</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Country Settings</source>
        <translation>Country Settings</translation>
    </message>
    <message>
        <location filename="../../mainwindow/mainwindow.cpp" line="+76"/>
        <source>Please select a port and connect your device</source>
        <translation>Please select a port and connect your device</translation>
    </message>
    <message>
        <location line="+460"/>
        <source>Ormwick DataLogger

 %1
</source>
        <comment>The %1 is replaced with the version number so please don&apos;t remove it!</comment>
        <translation>Ormwick DataLogger

 %1
</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>About Ormwick DataLogger</source>
        <comment>Title of the About box</comment>
        <translation>About Ormwick DataLogger</translation>
    </message>
    <message>
        <location line="-14"/>
        <source>The language will be changed next time Ormwick DataLogger is started.</source>
        <translation>The language will be changed next time Ormwick DataLogger is started.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Would you like to restart now?</source>
        <translation>Would you like to restart now?</translation>
    </message>
    <message>
        <location line="-311"/>
        <source>Now initiate the download on the tester</source>
        <translation>Now initiate the download on the tester</translation>
    </message>
    <message>
        <location line="-45"/>
        <source>The connection to the tester was lost: the data may be incomplete.</source>
        <translation>The connection to the tester was lost: the data may be incomplete.</translation>
    </message>
    <message>
        <location line="+94"/>
        <source>Failed to connect. Please check the device is connected and switched on</source>
        <translation>Failed to connect. Please check the device is connected and switched on</translation>
    </message>
    <message>
        <location line="+133"/>
        <source>The tester was disconnected. Please plug it in and press Download again.</source>
        <translation>The tester was disconnected. Please plug it in and press Download again.</translation>
    </message>
    <message>
        <location line="+65"/>
        <source>Comma Separated Value files (*.csv)</source>
        <translation>Comma Separated Value files (*.csv)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Text files (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>All files (*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Save downloaded data to file</source>
        <translation>Save downloaded data to file</translation>
    </message>
    <message>
        <location line="+38"/>
        <source>Would you like to convert the data to European format?</source>
        <translation>Would you like to convert the data to European format?</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Decimal points will be replaced by commas and the commas separating fields will be replaced by semi-colons.</source>
        <translation>Decimal points will be replaced by commas and the commas separating fields will be replaced by semi-colons.</translation>
    </message>
    <message>
        <location line="-18"/>
        <source>File successfully saved</source>
        <translation>File successfully saved</translation>
    </message>
    <message>
        <location line="-10"/>
        <source>Error opening &quot;%1&quot; for writing. Is it open already or read only?</source>
        <comment>The %1 will be replaced with the a file name. Please do not remove it in your translation!</comment>
        <translation>Error opening &quot;%1&quot; for writing. Is it open already or read only?</translation>
    </message>
    <message>
        <location filename="../../mainwindow/porttexts.cpp" line="+22"/>
        <source>USB %1:%2</source>
        <translation>USB %1:%2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>USB %1:%2, serial %3</source>
        <translation>USB %1:%2, serial %3</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Access to the port is denied: only members of the group &quot;%1&quot; may use it. Join the group with &quot;sudo usermod -aG %1 $USER&quot;, then log in again.</source>
        <translation>Access to the port is denied: only members of the group &quot;%1&quot; may use it. Join the group with &quot;sudo usermod -aG %1 $USER&quot;, then log in again.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The port is in use by another program.</source>
        <translation>The port is in use by another program.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The port is not there: the tester may be unplugged.</source>
        <translation>The port is not there: the tester may be unplugged.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The port could not be opened (system error %1).</source>
        <translation>The port could not be opened (system error %1).</translation>
    </message>
</context>
</TS>
