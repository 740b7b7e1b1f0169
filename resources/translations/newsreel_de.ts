<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>FeedListCommands</name>
    <message>
        <source>Unsubscribed from %1</source>
        <translation>%1 abbestellt</translation>
    </message>
</context>
<context>
    <name>FeedListOpml</name>
    <message>
        <source>%1 feeds</source>
        <translation>%1 Feeds</translation>
    </message>
    <message>
        <source>not a readable OPML file: %1</source>
        <translation>keine lesbare OPML-Datei: %1</translation>
    </message>
    <message>
        <source>not an OPML file (its root element is &lt;%1&gt;)</source>
        <translation>keine OPML-Datei (ihr Wurzelelement ist &lt;%1&gt;)</translation>
    </message>
    <message>
        <source>imported %1, %2 already listed, %3 skipped</source>
        <translation>%1 importiert, %2 schon in der Liste, %3 übersprungen</translation>
    </message>
    <message>
        <source>cannot import %1: %2</source>
        <translation>%1 lässt sich nicht importieren: %2</translation>
    </message>
    <message>
        <source>cannot export to %1: %2</source>
        <translation>nach %1 lässt sich nicht exportieren: %2</translation>
    </message>
    <message>
        <source>exported %1 to %2</source>
        <translation>%1 nach %2 exportiert</translation>
    </message>
</context>
<context>
    <name>FeedTable</name>
    <message>
        <source>OPML files (*.opml *.xml);;All files (*)</source>
        <translation>OPML-Dateien (*.opml *.xml);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Import Feeds</source>
        <translation>Feeds importieren</translation>
    </message>
    <message>
        <source>Export Feeds</source>
        <translation>Feeds exportieren</translation>
    </message>
</context>
<context>
    <name>FeedTableModel</name>
    <message>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <source>never</source>
        <translation>nie</translation>
    </message>
    <message>
        <source>pending</source>
        <translation>ausstehend</translation>
    </message>
    <message>
        <source>updating</source>
        <translation>wird aktualisiert</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>ok</translation>
    </message>
    <message>
        <source>not-modified</source>
        <translation>unverändert</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>fehlgeschlagen</translation>
    </message>
    <message>
        <source>deferred</source>
        <translation>aufgeschoben</translation>
    </message>
    <message>
        <source>Items shown: %1</source>
        <translation>Angezeigte Einträge: %1</translation>
    </message>
    <message>
        <source>Last attempt: %1</source>
        <translation>Letzter Versuch: %1</translation>
    </message>
    <message>
        <source>Last success: %1</source>
        <translation>Letzter Erfolg: %1</translation>
    </message>
    <message>
        <source>Next update: %1</source>
        <translation>Nächste Aktualisierung: %1</translation>
    </message>
    <message>
        <source> (now)</source>
        <translation> (jetzt)</translation>
    </message>
    <message>
        <source> (in a minute)</source>
        <translation> (in einer Minute)</translation>
    </message>
    <message>
        <source> (in %1 minutes)</source>
        <translation> (in %1 Minuten)</translation>
    </message>
    <message>
        <source>as soon as the preferences are closed</source>
        <translation>sobald die Einstellungen geschlossen sind</translation>
    </message>
    <message>
        <source>not while the plug-in is off</source>
        <translation>nicht, solange das Plug-in aus ist</translation>
    </message>
    <message>
        <source>no address yet</source>
        <translation>noch keine Adresse</translation>
    </message>
    <message>
        <source>Tried again: %1</source>
        <translation>Erneuter Versuch: %1</translation>
    </message>
</context>
<context>
    <name>Localizable</name>
    <message>
        <source>Newsreel shows the items of your RSS feeds on the ticker. Click an item for its details and commands.</source>
        <translation>Newsreel zeigt die Einträge Ihrer RSS-Feeds im Ticker. Ein Klick auf einen Eintrag zeigt seine Details und Befehle.</translation>
    </message>
</context>
<context>
    <name>MenuEntryUpdater</name>
    <message>
        <source>and %1 more</source>
        <translation>und %1 weitere</translation>
    </message>
</context>
<context>
    <name>NewsreelPane</name>
    <message>
        <source>Newsreel</source>
        <translation>Newsreel</translation>
    </message>
    <message>
        <source>On</source>
        <translation>An</translation>
    </message>
    <message>
        <source>Feed Address</source>
        <translation>Feed-Adresse</translation>
    </message>
    <message>
        <source>Minutes</source>
        <translation>Minuten</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Add the feeds of an OPML file from another reader</source>
        <translation>Die Feeds einer OPML-Datei aus einem anderen Reader hinzufügen</translation>
    </message>
    <message>
        <source>Write the feed list to an OPML file</source>
        <translation>Die Feed-Liste in eine OPML-Datei schreiben</translation>
    </message>
    <message>
        <source>characters</source>
        <translation>Zeichen</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Item Info</source>
        <translation>Eintragsinfo</translation>
    </message>
    <message>
        <source>Feed Info</source>
        <translation>Feed-Info</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>Eintrag</translation>
    </message>
    <message>
        <source>Feed</source>
        <translation>Feed</translation>
    </message>
    <message>
        <source>Don't Show This Item Again</source>
        <translation>Diesen Eintrag nicht mehr zeigen</translation>
    </message>
    <message>
        <source>Unsubscribe from This Feed</source>
        <translation>Diesen Feed abbestellen</translation>
    </message>
    <message>
        <source>Show Full Description…</source>
        <translation>Ganze Beschreibung zeigen…</translation>
    </message>
    <message>
        <source>Open Item in Browser</source>
        <translation>Eintrag im Browser öffnen</translation>
    </message>
    <message>
        <source>Email the Author…</source>
        <translation>Dem Autor schreiben…</translation>
    </message>
    <message>
        <source>Open Comments Page</source>
        <translation>Kommentarseite öffnen</translation>
    </message>
    <message>
        <source>Download Enclosure</source>
        <translation>Anhang herunterladen</translation>
    </message>
    <message>
        <source>Subscribe to Source Feed</source>
        <translation>Quell-Feed abonnieren</translation>
    </message>
    <message>
        <source>Publication Date: </source>
        <translation>Veröffentlicht: </translation>
    </message>
    <message>
        <source>Source: </source>
        <translation>Quelle: </translation>
    </message>
    <message>
        <source>Category: </source>
        <translation>Kategorie: </translation>
    </message>
    <message>
        <source>Show Full Feed Description…</source>
        <translation>Ganze Feed-Beschreibung zeigen…</translation>
    </message>
    <message>
        <source>Open Feed Site in Browser</source>
        <translation>Website des Feeds im Browser öffnen</translation>
    </message>
    <message>
        <source>Set Update Interval to </source>
        <translation>Aktualisierungsintervall setzen auf </translation>
    </message>
    <message>
        <source>Email the Managing Editor…</source>
        <translation>Der Redaktion schreiben…</translation>
    </message>
    <message>
        <source>Email the Webmaster…</source>
        <translation>Dem Webmaster schreiben…</translation>
    </message>
    <message>
        <source>Language: </source>
        <translation>Sprache: </translation>
    </message>
    <message>
        <source>Copyright: </source>
        <translation>Copyright: </translation>
    </message>
    <message>
        <source>Last Build Date: </source>
        <translation>Zuletzt erstellt: </translation>
    </message>
    <message>
        <source>Generator: </source>
        <translation>Erzeugt mit: </translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>Add a feed (Alt+A)</source>
        <translation>Einen Feed hinzufügen (Alt+H)</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>Remove the selected feeds (Delete, Alt+R)</source>
        <translation>Die ausgewählten Feeds entfernen (Entf, Alt+E)</translation>
    </message>
    <message>
        <source>&amp;Import…</source>
        <translation>&amp;Importieren…</translation>
    </message>
    <message>
        <source>&amp;Export…</source>
        <translation>E&amp;xportieren…</translation>
    </message>
    <message>
        <source>&amp;Update each feed as often as it asks (its time-to-live)</source>
        <translation>Jeden Feed so oft a&amp;ktualisieren, wie er es verlangt (seine Lebensdauer)</translation>
    </message>
    <message>
        <source>&amp;Longest title shown:</source>
        <translation>&amp;Längster angezeigter Titel:</translation>
    </message>
    <message>
        <source>Show &amp;Hidden Items Again</source>
        <translation>Ausgeblen&amp;dete Einträge wieder zeigen</translation>
    </message>
</context>
<context>
    <name>PaneController</name>
    <message>
        <source>"%1" is not a feed address: %2</source>
        <translation>„%1“ ist keine Feed-Adresse: %2</translation>
    </message>
</context>
</TS>
