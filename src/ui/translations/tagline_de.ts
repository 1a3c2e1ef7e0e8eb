<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>tagline</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Leeren</translation>
    </message>
    <message>
        <source>&amp;Settings</source>
        <translation>&amp;Einstellungen</translation>
    </message>
    <message>
        <source>&amp;Port</source>
        <translation>&amp;Schnittstelle</translation>
    </message>
    <message>
        <source>&amp;Device Manager</source>
        <translation>&amp;Geräte-Manager</translation>
    </message>
    <message>
        <source>D&amp;B</source>
        <translation>D&amp;B</translation>
    </message>
    <message>
        <source>&amp;Config</source>
        <translation>&amp;Konfiguration</translation>
    </message>
    <message>
        <source>&amp;Online</source>
        <translation>&amp;Online</translation>
    </message>
    <message>
        <source>&amp;Reader</source>
        <translation>&amp;Leser</translation>
    </message>
    <message>
        <source>&amp;Save reader configuration...</source>
        <translation>Leserkonfiguration &amp;speichern...</translation>
    </message>
    <message>
        <source>&amp;Apply reader configuration...</source>
        <translation>Leserkonfiguration &amp;anwenden...</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>Record &amp;Trace</source>
        <translation>Leitung &amp;aufzeichnen</translation>
    </message>
    <message>
        <source>Received in &amp;Hex</source>
        <translation>Empfangenes in &amp;Hex</translation>
    </message>
    <message>
        <source>Times &amp;before Lines</source>
        <translation>&amp;Zeiten vor den Zeilen</translation>
    </message>
    <message>
        <source>&amp;?</source>
        <translation>&amp;?</translation>
    </message>
    <message>
        <source>&amp;Info</source>
        <translation>&amp;Info</translation>
    </message>
    <message>
        <source>Tagline Console</source>
        <translation>Tagline Console</translation>
    </message>
    <message>
        <source>Tagline Console – simulated reader</source>
        <translation>Tagline Console – simulierter Leser</translation>
    </message>
    <message>
        <source>Tagline Console   V6.82 - 22.01.2025</source>
        <translation>Tagline Console   V6.82 - 22.01.2025</translation>
    </message>
    <message>
        <source>Serial Ports</source>
        <translation>Serielle Schnittstellen</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Terminal</source>
        <translation>Terminal</translation>
    </message>
    <message>
        <source>To Send:</source>
        <translation>Zu senden:</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Senden</translation>
    </message>
    <message>
        <source>Sent Data:</source>
        <translation>Gesendete Daten:</translation>
    </message>
    <message>
        <source>Received Data:</source>
        <translation>Empfangene Daten:</translation>
    </message>
    <message>
        <source>DB</source>
        <translation>DB</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>Lesen</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Pfad</translation>
    </message>
    <message>
        <source>Write</source>
        <translation>Schreiben</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>Dataset</source>
        <translation>Datensatz</translation>
    </message>
    <message>
        <source>empty</source>
        <translation>leer</translation>
    </message>
    <message>
        <source>occupied</source>
        <translation>belegt</translation>
    </message>
    <message>
        <source>CONFIG</source>
        <translation>KONFIG</translation>
    </message>
    <message>
        <source> Command</source>
        <translation> Befehl</translation>
    </message>
    <message>
        <source> Software Version</source>
        <translation> Softwareversion</translation>
    </message>
    <message>
        <source> Get Tag</source>
        <translation> Transponder lesen</translation>
    </message>
    <message>
        <source> Establish Communication -----------------------------------------&gt;                                     --------------&gt;</source>
        <translation> Kommunikation aufbauen -----------------------------------------&gt;                                     --------------&gt;</translation>
    </message>
    <message>
        <source> Exit Communication -------------------------------------------------&gt;                                     --------------&gt;</source>
        <translation> Kommunikation beenden -------------------------------------------------&gt;                                     --------------&gt;</translation>
    </message>
    <message>
        <source> Parameter</source>
        <translation> Parameter</translation>
    </message>
    <message>
        <source> Numeric Parameter</source>
        <translation> Numerischer Parameter</translation>
    </message>
    <message>
        <source> Tag Types</source>
        <translation> Transpondertypen</translation>
    </message>
    <message>
        <source> Date / Time</source>
        <translation> Datum / Uhrzeit</translation>
    </message>
    <message>
        <source>read</source>
        <translation>lesen</translation>
    </message>
    <message>
        <source>write</source>
        <translation>schreiben</translation>
    </message>
    <message>
        <source> Factory Default</source>
        <translation> Werkseinstellung</translation>
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
        <translation>Tastatursimulation</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source>Double Codes</source>
        <translation>Doppelte Codes</translation>
    </message>
    <message>
        <source>Received</source>
        <translation>Empfangen</translation>
    </message>
    <message>
        <source>Sent</source>
        <translation>Gesendet</translation>
    </message>
    <message>
        <source>To Send</source>
        <translation>Zu senden</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Date / Time: read or write</source>
        <translation>Datum / Uhrzeit: lesen oder schreiben</translation>
    </message>
    <message>
        <source>ONLINE protocol file: on or off</source>
        <translation>ONLINE-Protokolldatei: ein oder aus</translation>
    </message>
    <message>
        <source>ONLINE protocol file: choose</source>
        <translation>ONLINE-Protokolldatei: wählen</translation>
    </message>
    <message>
        <source>result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>run</source>
        <translation>ausführen</translation>
    </message>
    <message>
        <source>name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Com Port Settings</source>
        <translation>Serielle Schnittstelle</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Schnittstelle</translation>
    </message>
    <message>
        <source>Baud Rate</source>
        <translation>Baudrate</translation>
    </message>
    <message>
        <source>Data Bits</source>
        <translation>Datenbits</translation>
    </message>
    <message>
        <source>Parity</source>
        <translation>Parität</translation>
    </message>
    <message>
        <source>Stop Bits</source>
        <translation>Stoppbits</translation>
    </message>
    <message>
        <source>CTS:</source>
        <translation>CTS:</translation>
    </message>
    <message>
        <source>RTS:</source>
        <translation>RTS:</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>Odd</source>
        <translation>Ungerade</translation>
    </message>
    <message>
        <source>Even</source>
        <translation>Gerade</translation>
    </message>
    <message>
        <source>Mark</source>
        <translation>Mark</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>Protocol</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source>&lt;STX&gt; &lt;Data&gt; &lt;CRC&gt; &lt;ETX&gt;</source>
        <translation>&lt;STX&gt; &lt;Daten&gt; &lt;CRC&gt; &lt;ETX&gt;</translation>
    </message>
    <message>
        <source>&lt;Data&gt; &lt;CR&gt;</source>
        <translation>&lt;Daten&gt; &lt;CR&gt;</translation>
    </message>
    <message>
        <source>&lt;Data&gt;</source>
        <translation>&lt;Daten&gt;</translation>
    </message>
    <message>
        <source>add start</source>
        <translation>am Anfang anfügen</translation>
    </message>
    <message>
        <source>replace</source>
        <translation>ersetzen</translation>
    </message>
    <message>
        <source>add end</source>
        <translation>am Ende anfügen</translation>
    </message>
    <message>
        <source>from</source>
        <translation>von</translation>
    </message>
    <message>
        <source>to</source>
        <translation>durch</translation>
    </message>
    <message>
        <source>HEX Invert</source>
        <translation>HEX umkehren</translation>
    </message>
    <message>
        <source>HEX -&gt; DEZ</source>
        <translation>HEX -&gt; DEZ</translation>
    </message>
    <message>
        <source>8 HEX -&gt; 8 DEZ</source>
        <translation>8 HEX -&gt; 8 DEZ</translation>
    </message>
    <message>
        <source>HEX -&gt; 10 DEZ </source>
        <translation>HEX -&gt; 10 DEZ </translation>
    </message>
    <message>
        <source>HEX -&gt; 10 DEZ Motorola</source>
        <translation>HEX -&gt; 10 DEZ Motorola</translation>
    </message>
    <message>
        <source>HEX -&gt; Byte 0..3 HEX</source>
        <translation>HEX -&gt; Byte 0..3 HEX</translation>
    </message>
    <message>
        <source>HEX -&gt; Byte 0..3 HEX --&gt; DEZ</source>
        <translation>HEX -&gt; Byte 0..3 HEX --&gt; DEZ</translation>
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
        <translation>beliebigen Text tippen (unsicher)</translation>
    </message>
    <message>
        <source>use &lt;cr&gt;, &lt;CR&gt;,&lt;lf&gt;,&lt;stx&gt;,&lt;etx&gt;,&lt;ack&gt;,&lt;nak&gt;,&lt;tab&gt;,&lt;F12&gt; instead of non-printabel characters</source>
        <translation>&lt;cr&gt;, &lt;CR&gt;,&lt;lf&gt;,&lt;stx&gt;,&lt;etx&gt;,&lt;ack&gt;,&lt;nak&gt;,&lt;tab&gt;,&lt;F12&gt; statt nicht druckbarer Zeichen verwenden</translation>
    </message>
    <message>
        <source>keyboard layout</source>
        <translation>Tastaturbelegung</translation>
    </message>
    <message>
        <source>(system)</source>
        <translation>(System)</translation>
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
        <translation>Sprachauswahl</translation>
    </message>
    <message>
        <source>Factory interface selection</source>
        <translation>Auswahl der Schnittstelle</translation>
    </message>
    <message>
        <source>Delete Attributes</source>
        <translation>Attribute löschen</translation>
    </message>
    <message>
        <source>Antenna selection</source>
        <translation>Antennenauswahl</translation>
    </message>
    <message>
        <source>Write Serial Number</source>
        <translation>Seriennummer schreiben</translation>
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
        <translation>Ferrit</translation>
    </message>
    <message>
        <source>Air coil</source>
        <translation>Luftspule</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>JA</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>NEIN</translation>
    </message>
    <message>
        <source>Backup before erase</source>
        <translation>Sicherung vor dem Löschen</translation>
    </message>
    <message>
        <source>The reader holds records that the erase deletes. Save them to %1 first?</source>
        <translation>Der Leser enthält Datensätze, die das Löschen entfernt. Erst in %1 sichern?</translation>
    </message>
    <message>
        <source>Save them first</source>
        <translation>Erst sichern</translation>
    </message>
    <message>
        <source>Erase without saving</source>
        <translation>Ohne Sicherung löschen</translation>
    </message>
    <message>
        <source>Another job is using the reader. Start this one when it has ended.</source>
        <translation>Ein anderer Auftrag benutzt den Leser. Starten Sie diesen, wenn er beendet ist.</translation>
    </message>
    <message>
        <source>Erase every record in the reader&apos;s database? This cannot be undone.</source>
        <translation>Alle Datensätze in der Datenbank des Lesers löschen? Das lässt sich nicht rückgängig machen.</translation>
    </message>
    <message>
        <source>error on open com port</source>
        <translation>Fehler beim Öffnen der seriellen Schnittstelle</translation>
    </message>
    <message>
        <source>open com port error</source>
        <translation>Schnittstelle nicht geöffnet</translation>
    </message>
    <message>
        <source>error on close com port</source>
        <translation>Fehler beim Schließen der seriellen Schnittstelle</translation>
    </message>
    <message>
        <source>close com port error</source>
        <translation>Schnittstelle nicht geschlossen</translation>
    </message>
    <message>
        <source>Set reader to Database/PC Mode</source>
        <translation>Leser in den Datenbank-/PC-Modus schalten</translation>
    </message>
    <message>
        <source>Abort Database/PC Mode of reader</source>
        <translation>Datenbank-/PC-Modus des Lesers beenden</translation>
    </message>
    <message>
        <source>A job is still using the reader. Close the window all the same? The job stops where it is, and the reader may hold only part of what it was to get.</source>
        <translation>Ein Auftrag benutzt noch den Leser. Das Fenster trotzdem schließen? Der Auftrag hält an, wo er ist, und der Leser hat dann vielleicht nur einen Teil dessen, was er bekommen sollte.</translation>
    </message>
    <message>
        <source>The settings could not be saved to %1</source>
        <translation>Die Einstellungen konnten nicht in %1 gespeichert werden</translation>
    </message>
    <message>
        <source>The settings are neither read nor saved in this run.</source>
        <translation>Die Einstellungen werden in diesem Lauf weder gelesen noch gespeichert.</translation>
    </message>
    <message>
        <source>No Answer from reader</source>
        <translation>Keine Antwort vom Leser</translation>
    </message>
    <message>
        <source>Communication Error with reader</source>
        <translation>Kommunikationsfehler mit dem Leser</translation>
    </message>
    <message>
        <source>DB has wrong format</source>
        <translation>Die DB hat ein falsches Format</translation>
    </message>
    <message>
        <source>no access on DB</source>
        <translation>kein Zugriff auf die DB</translation>
    </message>
    <message>
        <source>Nothing was written; the reader was left as it is.</source>
        <translation>Es wurde nichts geschrieben; der Leser blieb, wie er war.</translation>
    </message>
    <message>
        <source>Nothing was written.</source>
        <translation>Es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>this database file format is not supported,</source>
        <translation>dieses Datenbank-Dateiformat wird nicht unterstützt,</translation>
    </message>
    <message>
        <source>please choose *.xml format</source>
        <translation>bitte das Format *.xml wählen</translation>
    </message>
    <message>
        <source>database function is not supported</source>
        <translation>die Datenbankfunktion wird nicht unterstützt</translation>
    </message>
    <message>
        <source>This reader&apos;s database cannot be written from a sheet.</source>
        <translation>Die Datenbank dieses Lesers kann nicht aus einer Tabelle geschrieben werden.</translation>
    </message>
    <message>
        <source>The sheet holds no records for this reader.</source>
        <translation>Die Tabelle enthält keine Datensätze für diesen Leser.</translation>
    </message>
    <message>
        <source>Read database into</source>
        <translation>Datenbank lesen in</translation>
    </message>
    <message>
        <source>Write database from</source>
        <translation>Datenbank schreiben aus</translation>
    </message>
    <message>
        <source>Keyboard simulation protocol file</source>
        <translation>Protokolldatei der Tastatursimulation</translation>
    </message>
    <message>
        <source>Record the line into (a file that is there is added to)</source>
        <translation>Leitung aufzeichnen in (an eine vorhandene Datei wird angehängt)</translation>
    </message>
    <message>
        <source>Save reader configuration into</source>
        <translation>Leserkonfiguration speichern in</translation>
    </message>
    <message>
        <source>Apply reader configuration from</source>
        <translation>Leserkonfiguration anwenden aus</translation>
    </message>
    <message>
        <source>XML Files (*.xml)</source>
        <translation>XML-Dateien (*.xml)</translation>
    </message>
    <message>
        <source>Data Files (*.dat)</source>
        <translation>Datendateien (*.dat)</translation>
    </message>
    <message>
        <source>Database Files (*.db)</source>
        <translation>Datenbankdateien (*.db)</translation>
    </message>
    <message>
        <source>CSV Files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>All Files (*.*)</source>
        <translation>Alle Dateien (*.*)</translation>
    </message>
    <message>
        <source>All files (*.*)</source>
        <translation>Alle Dateien (*.*)</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>Alle Dateien</translation>
    </message>
    <message>
        <source>Comma Separated Values (*.csv)</source>
        <translation>Kommagetrennte Werte (*.csv)</translation>
    </message>
    <message>
        <source>Alle (*.*)</source>
        <translation>Alle (*.*)</translation>
    </message>
    <message>
        <source>Trace (*.txt)</source>
        <translation>Aufzeichnung (*.txt)</translation>
    </message>
    <message>
        <source>Reader Configuration (*.profile)</source>
        <translation>Leserkonfiguration (*.profile)</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
</context>
</TS>
