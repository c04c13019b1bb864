<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>DialogLanguage</name>
    <message>
        <location filename="../../language/dialoglanguage.cpp" line="+49"/>
        <source>Please choose a language</source>
        <translation>Veuillez choisir une langue</translation>
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
        <translation>Quitter</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Quits the application</source>
        <translation>Quitte l&apos;application</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Refresh Ports</source>
        <translation>Actualiser les ports</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Refreshes the list of COM ports</source>
        <translation>Actualise la liste des ports COM</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Shows version information about Lumetra DataLogger</source>
        <translation>Affiche les informations de version de Lumetra DataLogger</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Change Language...</source>
        <translation>Changer de langue...</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Change the language used in this application</source>
        <translation>Change la langue utilisée dans cette application</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+16"/>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
    <message>
        <location line="-14"/>
        <source>Shows documentation</source>
        <translation>Affiche la documentation</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Convert CSV Data</source>
        <translation>Convertir les données CSV</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Device Connection</source>
        <translation>Connexion à l&apos;appareil</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Download</source>
        <translation>Télécharger</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Downloaded Output</source>
        <translation>Données téléchargées</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Save</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>File</source>
        <translation>Fichier</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Tools</source>
        <translation>Outils</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Country Settings</source>
        <translation>Paramètres régionaux</translation>
    </message>
    <message>
        <location filename="../../mainwindow/mainwindow.cpp" line="+76"/>
        <source>Please select a port and connect your device</source>
        <translation>Veuillez sélectionner un port et connecter votre appareil</translation>
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
        <translation>À propos d&apos;Ormwick DataLogger</translation>
    </message>
    <message>
        <location line="-14"/>
        <source>The language will be changed next time Ormwick DataLogger is started.</source>
        <translation>La langue sera changée au prochain démarrage d&apos;Ormwick DataLogger.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Would you like to restart now?</source>
        <translation>Voulez-vous redémarrer maintenant&#xa0;?</translation>
    </message>
    <message>
        <location line="-311"/>
        <source>Now initiate the download on the tester</source>
        <translation>Lancez maintenant le transfert sur le testeur</translation>
    </message>
    <message>
        <location line="-45"/>
        <source>The connection to the tester was lost: the data may be incomplete.</source>
        <translation>La connexion avec le testeur a été perdue&#xa0;: les données sont peut-être incomplètes.</translation>
    </message>
    <message>
        <location line="+94"/>
        <source>Failed to connect. Please check the device is connected and switched on</source>
        <translation>Échec de la connexion. Vérifiez que l&apos;appareil est branché et allumé</translation>
    </message>
    <message>
        <location line="+133"/>
        <source>The tester was disconnected. Please plug it in and press Download again.</source>
        <translation>Le testeur a été déconnecté. Branchez-le et cliquez à nouveau sur Télécharger.</translation>
    </message>
    <message>
        <location line="+65"/>
        <source>Comma Separated Value files (*.csv)</source>
        <translation>Fichiers de valeurs séparées par des virgules (*.csv)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Text files (*.txt)</source>
        <translation>Fichiers texte (*.txt)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>All files (*.*)</source>
        <translation>Tous les fichiers (*.*)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Save downloaded data to file</source>
        <translation>Enregistrer les données téléchargées dans un fichier</translation>
    </message>
    <message>
        <location line="+38"/>
        <source>Would you like to convert the data to European format?</source>
        <translation>Voulez-vous convertir les données au format européen&#xa0;?</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Decimal points will be replaced by commas and the commas separating fields will be replaced by semi-colons.</source>
        <translation>Les points décimaux seront remplacés par des virgules et les virgules séparant les champs seront remplacées par des points-virgules.</translation>
    </message>
    <message>
        <location line="-18"/>
        <source>File successfully saved</source>
        <translation>Fichier enregistré avec succès</translation>
    </message>
    <message>
        <location line="-10"/>
        <source>Error opening &quot;%1&quot; for writing. Is it open already or read only?</source>
        <comment>The %1 will be replaced with the a file name. Please do not remove it in your translation!</comment>
        <translation>Erreur à l&apos;ouverture de «&#xa0;%1&#xa0;» en écriture. Le fichier est-il déjà ouvert ou en lecture seule&#xa0;?</translation>
    </message>
    <message>
        <location filename="../../mainwindow/porttexts.cpp" line="+22"/>
        <source>USB %1:%2</source>
        <translation>USB %1:%2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>USB %1:%2, serial %3</source>
        <translation>USB %1:%2, numéro de série %3</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Access to the port is denied: only members of the group &quot;%1&quot; may use it. Join the group with &quot;sudo usermod -aG %1 $USER&quot;, then log in again.</source>
        <translation>Accès au port refusé&#xa0;: seuls les membres du groupe «&#xa0;%1&#xa0;» peuvent l&apos;utiliser. Rejoignez le groupe avec «&#xa0;sudo usermod -aG %1 $USER&#xa0;», puis reconnectez-vous.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>The port is in use by another program.</source>
        <translation>Le port est utilisé par un autre programme.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The port is not there: the tester may be unplugged.</source>
        <translation>Le port est introuvable&#xa0;: le testeur est peut-être débranché.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The port could not be opened (system error %1).</source>
        <translation>Impossible d&apos;ouvrir le port (erreur système %1).</translation>
    </message>
</context>
</TS>
