<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>tagline</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>É&amp;dition</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Effacer</translation>
    </message>
    <message>
        <source>&amp;Settings</source>
        <translation>&amp;Paramètres</translation>
    </message>
    <message>
        <source>&amp;Port</source>
        <translation>&amp;Port</translation>
    </message>
    <message>
        <source>&amp;Device Manager</source>
        <translation>&amp;Gestionnaire de périphériques</translation>
    </message>
    <message>
        <source>D&amp;B</source>
        <translation>&amp;BD</translation>
    </message>
    <message>
        <source>&amp;Config</source>
        <translation>&amp;Configuration</translation>
    </message>
    <message>
        <source>&amp;Online</source>
        <translation>En &amp;ligne</translation>
    </message>
    <message>
        <source>&amp;Reader</source>
        <translation>&amp;Lecteur</translation>
    </message>
    <message>
        <source>&amp;Save reader configuration...</source>
        <translation>&amp;Enregistrer la configuration du lecteur...</translation>
    </message>
    <message>
        <source>&amp;Apply reader configuration...</source>
        <translation>&amp;Appliquer la configuration du lecteur...</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Affichage</translation>
    </message>
    <message>
        <source>Record &amp;Trace</source>
        <translation>Enregistrer la &amp;trace</translation>
    </message>
    <message>
        <source>Received in &amp;Hex</source>
        <translation>Reçu en &amp;hexa</translation>
    </message>
    <message>
        <source>Times &amp;before Lines</source>
        <translation>&amp;Heures avant les lignes</translation>
    </message>
    <message>
        <source>&amp;?</source>
        <translation>&amp;?</translation>
    </message>
    <message>
        <source>&amp;Info</source>
        <translation>&amp;Infos</translation>
    </message>
    <message>
        <source>Tagline Console</source>
        <translation>Tagline Console</translation>
    </message>
    <message>
        <source>Tagline Console – simulated reader</source>
        <translation>Tagline Console – lecteur simulé</translation>
    </message>
    <message>
        <source>Tagline Console   V6.82 - 22.01.2025</source>
        <translation>Tagline Console   V6.82 - 22.01.2025</translation>
    </message>
    <message>
        <source>Serial Ports</source>
        <translation>Ports série</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Actualiser</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Terminal</source>
        <translation>Terminal</translation>
    </message>
    <message>
        <source>To Send:</source>
        <translation>À envoyer :</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Envoyer</translation>
    </message>
    <message>
        <source>Sent Data:</source>
        <translation>Données envoyées :</translation>
    </message>
    <message>
        <source>Received Data:</source>
        <translation>Données reçues :</translation>
    </message>
    <message>
        <source>DB</source>
        <translation>BD</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>Lire</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Chemin</translation>
    </message>
    <message>
        <source>Write</source>
        <translation>Écrire</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Effacer</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>Dataset</source>
        <translation>Enregistrement</translation>
    </message>
    <message>
        <source>empty</source>
        <translation>vide</translation>
    </message>
    <message>
        <source>occupied</source>
        <translation>occupée</translation>
    </message>
    <message>
        <source>CONFIG</source>
        <translation>CONFIG</translation>
    </message>
    <message>
        <source> Command</source>
        <translation> Commande</translation>
    </message>
    <message>
        <source> Software Version</source>
        <translation> Version du logiciel</translation>
    </message>
    <message>
        <source> Get Tag</source>
        <translation> Lire le transpondeur</translation>
    </message>
    <message>
        <source> Establish Communication -----------------------------------------&gt;                                     --------------&gt;</source>
        <translation> Établir la communication -----------------------------------------&gt;                                     --------------&gt;</translation>
    </message>
    <message>
        <source> Exit Communication -------------------------------------------------&gt;                                     --------------&gt;</source>
        <translation> Quitter la communication -------------------------------------------------&gt;                                     --------------&gt;</translation>
    </message>
    <message>
        <source> Parameter</source>
        <translation> Paramètre</translation>
    </message>
    <message>
        <source> Numeric Parameter</source>
        <translation> Paramètre numérique</translation>
    </message>
    <message>
        <source> Tag Types</source>
        <translation> Types de transpondeur</translation>
    </message>
    <message>
        <source> Date / Time</source>
        <translation> Date / Heure</translation>
    </message>
    <message>
        <source>read</source>
        <translation>lire</translation>
    </message>
    <message>
        <source>write</source>
        <translation>écrire</translation>
    </message>
    <message>
        <source> Factory Default</source>
        <translation> Réglages d&apos;usine</translation>
    </message>
    <message>
        <source>SV</source>
        <translation>SV</translation>
    </message>
    <message>
        <source>GT</source>
        <translation>GT</translation>
    </message>
    <message>
        <source>XT</source>
        <translation>XT</translation>
    </message>
    <message>
        <source>ONLINE</source>
        <translation>ONLINE</translation>
    </message>
    <message>
        <source>Keyboard Simulation</source>
        <translation>Simulation clavier</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Journal</translation>
    </message>
    <message>
        <source>Double Codes</source>
        <translation>Codes en double</translation>
    </message>
    <message>
        <source>Received</source>
        <translation>Reçu</translation>
    </message>
    <message>
        <source>Sent</source>
        <translation>Envoyé</translation>
    </message>
    <message>
        <source>To Send</source>
        <translation>À envoyer</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Progression</translation>
    </message>
    <message>
        <source>Date / Time: read or write</source>
        <translation>Date / Heure : lire ou écrire</translation>
    </message>
    <message>
        <source>ONLINE protocol file: on or off</source>
        <translation>Journal ONLINE : activé ou non</translation>
    </message>
    <message>
        <source>ONLINE protocol file: choose</source>
        <translation>Journal ONLINE : choisir</translation>
    </message>
    <message>
        <source>result</source>
        <translation>résultat</translation>
    </message>
    <message>
        <source>run</source>
        <translation>exécuter</translation>
    </message>
    <message>
        <source>name</source>
        <translation>nom</translation>
    </message>
    <message>
        <source>value</source>
        <translation>valeur</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Paramètres</translation>
    </message>
    <message>
        <source>Com Port Settings</source>
        <translation>Port série</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Baud Rate</source>
        <translation>Débit (bauds)</translation>
    </message>
    <message>
        <source>Data Bits</source>
        <translation>Bits de données</translation>
    </message>
    <message>
        <source>Parity</source>
        <translation>Parité</translation>
    </message>
    <message>
        <source>Stop Bits</source>
        <translation>Bits d&apos;arrêt</translation>
    </message>
    <message>
        <source>CTS:</source>
        <translation>CTS :</translation>
    </message>
    <message>
        <source>RTS:</source>
        <translation>RTS :</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Aucune</translation>
    </message>
    <message>
        <source>Odd</source>
        <translation>Impaire</translation>
    </message>
    <message>
        <source>Even</source>
        <translation>Paire</translation>
    </message>
    <message>
        <source>Mark</source>
        <translation>Marque</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>Espace</translation>
    </message>
    <message>
        <source>Protocol</source>
        <translation>Protocole</translation>
    </message>
    <message>
        <source>&lt;STX&gt; &lt;Data&gt; &lt;CRC&gt; &lt;ETX&gt;</source>
        <translation>&lt;STX&gt; &lt;Données&gt; &lt;CRC&gt; &lt;ETX&gt;</translation>
    </message>
    <message>
        <source>&lt;Data&gt; &lt;CR&gt;</source>
        <translation>&lt;Données&gt; &lt;CR&gt;</translation>
    </message>
    <message>
        <source>&lt;Data&gt;</source>
        <translation>&lt;Données&gt;</translation>
    </message>
    <message>
        <source>add start</source>
        <translation>ajouter au début</translation>
    </message>
    <message>
        <source>replace</source>
        <translation>remplacer</translation>
    </message>
    <message>
        <source>add end</source>
        <translation>ajouter à la fin</translation>
    </message>
    <message>
        <source>from</source>
        <translation>de</translation>
    </message>
    <message>
        <source>to</source>
        <translation>par</translation>
    </message>
    <message>
        <source>HEX Invert</source>
        <translation>Inverser HEX</translation>
    </message>
    <message>
        <source>HEX -&gt; DEZ</source>
        <translation>HEX -&gt; DÉC</translation>
    </message>
    <message>
        <source>8 HEX -&gt; 8 DEZ</source>
        <translation>8 HEX -&gt; 8 DÉC</translation>
    </message>
    <message>
        <source>HEX -&gt; 10 DEZ </source>
        <translation>HEX -&gt; 10 DÉC </translation>
    </message>
    <message>
        <source>HEX -&gt; 10 DEZ Motorola</source>
        <translation>HEX -&gt; 10 DÉC Motorola</translation>
    </message>
    <message>
        <source>HEX -&gt; Byte 0..3 HEX</source>
        <translation>HEX -&gt; octets 0..3 HEX</translation>
    </message>
    <message>
        <source>HEX -&gt; Byte 0..3 HEX --&gt; DEZ</source>
        <translation>HEX -&gt; octets 0..3 HEX --&gt; DÉC</translation>
    </message>
    <message>
        <source>HEX -&gt; ISO</source>
        <translation>HEX -&gt; ISO</translation>
    </message>
    <message>
        <source>HEX -&gt; BDE</source>
        <translation>HEX -&gt; BDE</translation>
    </message>
    <message>
        <source>type any text (unsafe)</source>
        <translation>taper tout texte (risqué)</translation>
    </message>
    <message>
        <source>use &lt;cr&gt;, &lt;CR&gt;,&lt;lf&gt;,&lt;stx&gt;,&lt;etx&gt;,&lt;ack&gt;,&lt;nak&gt;,&lt;tab&gt;,&lt;F12&gt; instead of non-printabel characters</source>
        <translation>utilisez &lt;cr&gt;, &lt;CR&gt;,&lt;lf&gt;,&lt;stx&gt;,&lt;etx&gt;,&lt;ack&gt;,&lt;nak&gt;,&lt;tab&gt;,&lt;F12&gt; pour les caractères non imprimables</translation>
    </message>
    <message>
        <source>keyboard layout</source>
        <translation>disposition du clavier</translation>
    </message>
    <message>
        <source>(system)</source>
        <translation>(système)</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Deutsch</source>
        <translation>Deutsch</translation>
    </message>
    <message>
        <source>Français</source>
        <translation>Français</translation>
    </message>
    <message>
        <source>Language selection</source>
        <translation>Choix de la langue</translation>
    </message>
    <message>
        <source>Factory interface selection</source>
        <translation>Choix de l&apos;interface</translation>
    </message>
    <message>
        <source>Delete Attributes</source>
        <translation>Supprimer les attributs</translation>
    </message>
    <message>
        <source>Antenna selection</source>
        <translation>Choix de l&apos;antenne</translation>
    </message>
    <message>
        <source>Write Serial Number</source>
        <translation>Écrire le numéro de série</translation>
    </message>
    <message>
        <source>USB/RS232</source>
        <translation>USB/RS232</translation>
    </message>
    <message>
        <source>USB/RS232+Bluetooth</source>
        <translation>USB/RS232+Bluetooth</translation>
    </message>
    <message>
        <source>RS232</source>
        <translation>RS232</translation>
    </message>
    <message>
        <source>USB</source>
        <translation>USB</translation>
    </message>
    <message>
        <source>RS232+Bluetooth</source>
        <translation>RS232+Bluetooth</translation>
    </message>
    <message>
        <source>USB+Bluetooth</source>
        <translation>USB+Bluetooth</translation>
    </message>
    <message>
        <source>Ferrite</source>
        <translation>Ferrite</translation>
    </message>
    <message>
        <source>Air coil</source>
        <translation>Bobine à air</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>OUI</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>NON</translation>
    </message>
    <message>
        <source>Backup before erase</source>
        <translation>Sauvegarde avant l&apos;effacement</translation>
    </message>
    <message>
        <source>The reader holds records that the erase deletes. Save them to %1 first?</source>
        <translation>Le lecteur contient des enregistrements que l&apos;effacement supprime. Les enregistrer d&apos;abord dans %1 ?</translation>
    </message>
    <message>
        <source>Save them first</source>
        <translation>Les enregistrer d&apos;abord</translation>
    </message>
    <message>
        <source>Erase without saving</source>
        <translation>Effacer sans enregistrer</translation>
    </message>
    <message>
        <source>Another job is using the reader. Start this one when it has ended.</source>
        <translation>Une autre tâche utilise le lecteur. Lancez celle-ci quand elle sera terminée.</translation>
    </message>
    <message>
        <source>Erase every record in the reader&apos;s database? This cannot be undone.</source>
        <translation>Effacer tous les enregistrements de la base du lecteur ? Cette action est irréversible.</translation>
    </message>
    <message>
        <source>error on open com port</source>
        <translation>erreur à l&apos;ouverture du port série</translation>
    </message>
    <message>
        <source>open com port error</source>
        <translation>Port série non ouvert</translation>
    </message>
    <message>
        <source>error on close com port</source>
        <translation>erreur à la fermeture du port série</translation>
    </message>
    <message>
        <source>close com port error</source>
        <translation>Port série non fermé</translation>
    </message>
    <message>
        <source>Set reader to Database/PC Mode</source>
        <translation>Mettre le lecteur en mode base de données/PC</translation>
    </message>
    <message>
        <source>Abort Database/PC Mode of reader</source>
        <translation>Quitter le mode base de données/PC du lecteur</translation>
    </message>
    <message>
        <source>A job is still using the reader. Close the window all the same? The job stops where it is, and the reader may hold only part of what it was to get.</source>
        <translation>Une tâche utilise encore le lecteur. Fermer la fenêtre quand même ? La tâche s&apos;arrête là où elle en est, et le lecteur peut n&apos;avoir reçu qu&apos;une partie de ce qu&apos;il devait recevoir.</translation>
    </message>
    <message>
        <source>The settings could not be saved to %1</source>
        <translation>Les paramètres n&apos;ont pas pu être enregistrés dans %1</translation>
    </message>
    <message>
        <source>The settings are neither read nor saved in this run.</source>
        <translation>Les paramètres ne sont ni lus ni enregistrés pendant cette exécution.</translation>
    </message>
    <message>
        <source>No Answer from reader</source>
        <translation>Pas de réponse du lecteur</translation>
    </message>
    <message>
        <source>Communication Error with reader</source>
        <translation>Erreur de communication avec le lecteur</translation>
    </message>
    <message>
        <source>DB has wrong format</source>
        <translation>La BD a un format incorrect</translation>
    </message>
    <message>
        <source>no access on DB</source>
        <translation>pas d&apos;accès à la BD</translation>
    </message>
    <message>
        <source>Nothing was written; the reader was left as it is.</source>
        <translation>Rien n&apos;a été écrit ; le lecteur est resté tel quel.</translation>
    </message>
    <message>
        <source>Nothing was written.</source>
        <translation>Rien n&apos;a été écrit.</translation>
    </message>
    <message>
        <source>this database file format is not supported,</source>
        <translation>ce format de fichier de base n&apos;est pas pris en charge,</translation>
    </message>
    <message>
        <source>please choose *.xml format</source>
        <translation>veuillez choisir le format *.xml</translation>
    </message>
    <message>
        <source>database function is not supported</source>
        <translation>la fonction base de données n&apos;est pas prise en charge</translation>
    </message>
    <message>
        <source>This reader&apos;s database cannot be written from a sheet.</source>
        <translation>La base de ce lecteur ne peut pas être écrite depuis une feuille.</translation>
    </message>
    <message>
        <source>The sheet holds no records for this reader.</source>
        <translation>La feuille ne contient aucun enregistrement pour ce lecteur.</translation>
    </message>
    <message>
        <source>Read database into</source>
        <translation>Lire la base dans</translation>
    </message>
    <message>
        <source>Write database from</source>
        <translation>Écrire la base depuis</translation>
    </message>
    <message>
        <source>Keyboard simulation protocol file</source>
        <translation>Journal de la simulation clavier</translation>
    </message>
    <message>
        <source>Record the line into (a file that is there is added to)</source>
        <translation>Enregistrer la ligne dans (un fichier existant est complété)</translation>
    </message>
    <message>
        <source>Save reader configuration into</source>
        <translation>Enregistrer la configuration du lecteur dans</translation>
    </message>
    <message>
        <source>Apply reader configuration from</source>
        <translation>Appliquer la configuration du lecteur depuis</translation>
    </message>
    <message>
        <source>XML Files (*.xml)</source>
        <translation>Fichiers XML (*.xml)</translation>
    </message>
    <message>
        <source>Data Files (*.dat)</source>
        <translation>Fichiers de données (*.dat)</translation>
    </message>
    <message>
        <source>Database Files (*.db)</source>
        <translation>Fichiers de base (*.db)</translation>
    </message>
    <message>
        <source>CSV Files (*.csv)</source>
        <translation>Fichiers CSV (*.csv)</translation>
    </message>
    <message>
        <source>All Files (*.*)</source>
        <translation>Tous les fichiers (*.*)</translation>
    </message>
    <message>
        <source>All files (*.*)</source>
        <translation>Tous les fichiers (*.*)</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>Tous les fichiers</translation>
    </message>
    <message>
        <source>Comma Separated Values (*.csv)</source>
        <translation>Valeurs séparées par des virgules (*.csv)</translation>
    </message>
    <message>
        <source>Alle (*.*)</source>
        <translation>Tous (*.*)</translation>
    </message>
    <message>
        <source>Trace (*.txt)</source>
        <translation>Trace (*.txt)</translation>
    </message>
    <message>
        <source>Reader Configuration (*.profile)</source>
        <translation>Configuration du lecteur (*.profile)</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Langue</translation>
    </message>
</context>
</TS>
