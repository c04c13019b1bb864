<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="en">
<context>
    <name>DialogLanguage</name>
    <message>
        <location filename="../../language/dialoglanguage.cpp" line="+49"/>
        <source>Please choose a language</source>
        <translation>Elija un idioma</translation>
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
        <translation>Salir</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Quits the application</source>
        <translation>Cierra la aplicación</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Refresh Ports</source>
        <translation>Actualizar puertos</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Refreshes the list of COM ports</source>
        <translation>Actualiza la lista de puertos COM</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>About</source>
        <translation>Acerca de</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Shows version information about Lumetra DataLogger</source>
        <translation>Muestra la información de versión de Lumetra DataLogger</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Change Language...</source>
        <translation>Cambiar idioma...</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Change the language used in this application</source>
        <translation>Cambia el idioma utilizado en esta aplicación</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+16"/>
        <source>Help</source>
        <translation>Ayuda</translation>
    </message>
    <message>
        <location line="-14"/>
        <source>Shows documentation</source>
        <translation>Muestra la documentación</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Convert CSV Data</source>
        <translation>Convertir datos CSV</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Device Connection</source>
        <translation>Conexión con el dispositivo</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Download</source>
        <translation>Descargar</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Downloaded Output</source>
        <translation>Datos descargados</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Open</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Save</source>
        <translation>Guardar</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>File</source>
        <translation>Archivo</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Tools</source>
        <translation>Herramientas</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Country Settings</source>
        <translation>Configuración regional</translation>
    </message>
    <message>
        <location filename="../../mainwindow/mainwindow.cpp" line="+76"/>
        <source>Please select a port and connect your device</source>
        <translation>Seleccione un puerto y conecte su dispositivo</translation>
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
        <translation>Acerca de Ormwick DataLogger</translation>
    </message>
    <message>
        <location line="-14"/>
        <source>The language will be changed next time Ormwick DataLogger is started.</source>
        <translation>El idioma se cambiará la próxima vez que se inicie Ormwick DataLogger.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Would you like to restart now?</source>
        <translation>¿Desea reiniciar ahora?</translation>
    </message>
    <message>
        <location line="-311"/>
        <source>Now initiate the download on the tester</source>
        <translation>Inicie ahora la descarga en el comprobador</translation>
    </message>
    <message>
        <location line="-45"/>
        <source>The connection to the tester was lost: the data may be incomplete.</source>
        <translation>Se perdió la conexión con el comprobador: puede que los datos estén incompletos.</translation>
    </message>
    <message>
        <location line="+94"/>
        <source>Failed to connect. Please check the device is connected and switched on</source>
        <translation>No se pudo conectar. Compruebe que el dispositivo está conectado y encendido</translation>
    </message>
    <message>
        <location line="+133"/>
        <source>The tester was disconnected. Please plug it in and press Download again.</source>
        <translation>El comprobador se desconectó. Conéctelo y pulse Descargar de nuevo.</translation>
    </message>
    <message>
        <location line="+65"/>
        <source>Comma Separated Value files (*.csv)</source>
        <translation>Archivos de valores separados por comas (*.csv)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Text files (*.txt)</source>
        <translation>Archivos de texto (*.txt)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>All files (*.*)</source>
        <translation>Todos los archivos (*.*)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Save downloaded data to file</source>
        <translation>Guardar los datos descargados en un archivo</translation>
    </message>
    <message>
        <location line="+38"/>
        <source>Would you like to convert the data to European format?</source>
        <translation>¿Desea convertir los datos al formato europeo?</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Decimal points will be replaced by commas and the commas separating fields will be replaced by semi-colons.</source>
        <translation>Los puntos decimales se sustituirán por comas y las comas que separan los campos se sustituirán por puntos y coma.</translation>
    </message>
    <message>
        <location line="-18"/>
        <source>File successfully saved</source>
        <translation>Archivo guardado correctamente</translation>
    </message>
    <message>
        <location line="-10"/>
        <source>Error opening &quot;%1&quot; for writing. Is it open already or read only?</source>
        <comment>The %1 will be replaced with the a file name. Please do not remove it in your translation!</comment>
        <translation>Error al abrir «%1» para escribir. ¿Está ya abierto o es de solo lectura?</translation>
    </message>
    <message>
        <location filename="../../mainwindow/porttexts.cpp" line="+22"/>
        <source>USB %1:%2</source>
        <translation>USB %1:%2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>USB %1:%2, serial %3</source>
        <translation>USB %1:%2, número de serie %3</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Access to the port is denied: only members of the group &quot;%1&quot; may use it. Join the group with &quot;sudo usermod -aG %1 $USER&quot;, then log in again.</source>
        <translation>Acceso al puerto denegado: solo los miembros del grupo «%1» pueden usarlo. Únase al grupo con «sudo usermod -aG %1 $USER» y vuelva a iniciar sesión.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The port is in use by another program.</source>
        <translation>Otro programa está usando el puerto.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The port is not there: the tester may be unplugged.</source>
        <translation>El puerto no existe: puede que el comprobador esté desconectado.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The port could not be opened (system error %1).</source>
        <translation>No se pudo abrir el puerto (error del sistema %1).</translation>
    </message>
</context>
</TS>
