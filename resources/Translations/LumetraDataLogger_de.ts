<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>DialogLanguage</name>
    <message>
        <location filename="../../language/dialoglanguage.cpp" line="+49"/>
        <source>Please choose a language</source>
        <translation>Bitte wählen Sie eine Sprache</translation>
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
        <translation>Beenden</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Quits the application</source>
        <translation>Beendet die Anwendung</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Refresh Ports</source>
        <translation>Anschlüsse aktualisieren</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Refreshes the list of COM ports</source>
        <translation>Aktualisiert die Liste der COM-Anschlüsse</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Shows version information about Lumetra DataLogger</source>
        <translation>Zeigt Versionsinformationen zu Lumetra DataLogger</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Change Language...</source>
        <translation>Sprache ändern...</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Change the language used in this application</source>
        <translation>Ändert die Sprache dieser Anwendung</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+16"/>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <location line="-14"/>
        <source>Shows documentation</source>
        <translation>Zeigt die Dokumentation</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Convert CSV Data</source>
        <translation>CSV-Daten umwandeln</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Device Connection</source>
        <translation>Geräteverbindung</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Downloaded Output</source>
        <translation>Heruntergeladene Daten</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Tools</source>
        <translation>Extras</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Country Settings</source>
        <translation>Ländereinstellungen</translation>
    </message>
    <message>
        <location filename="../../mainwindow/mainwindow.cpp" line="+76"/>
        <source>Please select a port and connect your device</source>
        <translation>Bitte wählen Sie einen Anschluss und schließen Sie Ihr Gerät an</translation>
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
        <translation>Über Ormwick DataLogger</translation>
    </message>
    <message>
        <location line="-14"/>
        <source>The language will be changed next time Ormwick DataLogger is started.</source>
        <translation>Die Sprache wird beim nächsten Start von Ormwick DataLogger geändert.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Would you like to restart now?</source>
        <translation>Möchten Sie jetzt neu starten?</translation>
    </message>
    <message>
        <location line="-311"/>
        <source>Now initiate the download on the tester</source>
        <translation>Starten Sie jetzt die Übertragung am Prüfgerät</translation>
    </message>
    <message>
        <location line="-45"/>
        <source>The connection to the tester was lost: the data may be incomplete.</source>
        <translation>Die Verbindung zum Prüfgerät wurde unterbrochen: Die Daten sind möglicherweise unvollständig.</translation>
    </message>
    <message>
        <location line="+94"/>
        <source>Failed to connect. Please check the device is connected and switched on</source>
        <translation>Verbindung fehlgeschlagen. Bitte prüfen Sie, ob das Gerät angeschlossen und eingeschaltet ist</translation>
    </message>
    <message>
        <location line="+133"/>
        <source>The tester was disconnected. Please plug it in and press Download again.</source>
        <translation>Das Prüfgerät wurde getrennt. Bitte schließen Sie es an und klicken Sie erneut auf Herunterladen.</translation>
    </message>
    <message>
        <location line="+65"/>
        <source>Comma Separated Value files (*.csv)</source>
        <translation>Kommagetrennte Werte (*.csv)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Text files (*.txt)</source>
        <translation>Textdateien (*.txt)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>All files (*.*)</source>
        <translation>Alle Dateien (*.*)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Save downloaded data to file</source>
        <translation>Heruntergeladene Daten in Datei speichern</translation>
    </message>
    <message>
        <location line="+38"/>
        <source>Would you like to convert the data to European format?</source>
        <translation>Möchten Sie die Daten in das europäische Format umwandeln?</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Decimal points will be replaced by commas and the commas separating fields will be replaced by semi-colons.</source>
        <translation>Dezimalpunkte werden durch Kommas ersetzt, und die Kommas zwischen den Feldern werden durch Semikolons ersetzt.</translation>
    </message>
    <message>
        <location line="-18"/>
        <source>File successfully saved</source>
        <translation>Datei erfolgreich gespeichert</translation>
    </message>
    <message>
        <location line="-10"/>
        <source>Error opening &quot;%1&quot; for writing. Is it open already or read only?</source>
        <comment>The %1 will be replaced with the a file name. Please do not remove it in your translation!</comment>
        <translation>Fehler beim Öffnen von &quot;%1&quot; zum Schreiben. Ist die Datei bereits geöffnet oder schreibgeschützt?</translation>
    </message>
    <message>
        <location filename="../../mainwindow/porttexts.cpp" line="+22"/>
        <source>USB %1:%2</source>
        <translation>USB %1:%2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>USB %1:%2, serial %3</source>
        <translation>USB %1:%2, Seriennummer %3</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Access to the port is denied: only members of the group &quot;%1&quot; may use it. Join the group with &quot;sudo usermod -aG %1 $USER&quot;, then log in again.</source>
        <translation>Zugriff auf den Anschluss verweigert: Nur Mitglieder der Gruppe &quot;%1&quot; dürfen ihn verwenden. Treten Sie der Gruppe mit &quot;sudo usermod -aG %1 $USER&quot; bei und melden Sie sich dann neu an.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The port is in use by another program.</source>
        <translation>Der Anschluss wird von einem anderen Programm verwendet.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The port is not there: the tester may be unplugged.</source>
        <translation>Der Anschluss ist nicht vorhanden: Das Prüfgerät ist möglicherweise nicht angeschlossen.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The port could not be opened (system error %1).</source>
        <translation>Der Anschluss konnte nicht geöffnet werden (Systemfehler %1).</translation>
    </message>
</context>
</TS>
