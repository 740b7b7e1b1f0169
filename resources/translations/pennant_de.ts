<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>ColorButton</name>
    <message>
        <source>Choose…</source>
        <translation>Auswählen…</translation>
    </message>
    <message>
        <source>Choose a Colour</source>
        <translation>Farbe auswählen</translation>
    </message>
</context>
<context>
    <name>HostOptions</name>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 braucht einen Wert</translation>
    </message>
    <message>
        <source>--view-size takes WIDTHxHEIGHT, such as 1280x24, not %1</source>
        <translation>--view-size nimmt BREITExHÖHE, etwa 1280x24, nicht %1</translation>
    </message>
    <message>
        <source>unknown argument %1</source>
        <translation>unbekanntes Argument %1</translation>
    </message>
    <message>
        <source>--import and --export are given one at a time</source>
        <translation>--import und --export werden einzeln angegeben</translation>
    </message>
    <message>
        <source>usage: pennant [--headless] [--once] [--demo] [--verbose] [--settings FILE] [--plugins DIR]
               [--view-size WxH]
       pennant [--settings FILE] --preferences | --refresh | --toggle-pause | --quit
       pennant [--settings FILE] [--plugins DIR] --import FILE | --export FILE
       pennant --version | --help
  --headless       no window: print every sign, log line, beep, opened URL, menu and window as
                   JSON lines on stdout and take commands on stdin
  --once           exit once every enabled feed has been updated once
  --demo           run on the bundled demo feeds with a temporary settings file
  --verbose        in the window, write every log line to stderr, not only problems
  --settings FILE  settings file (default $XDG_CONFIG_HOME/pennant/settings.json)
  --plugins DIR    folder of plug-in bundles (default: beside the program)
  --view-size WxH  the strip's size in headless mode (default 1280x24)
  --preferences    open the preferences (of the running ticker, or start one)
  --refresh        update every feed now (the running ticker's, or start one)
  --toggle-pause   pause the running ticker, or let it scroll again
  --quit           quit the running ticker
  --import FILE    add the feeds of an OPML file to the settings, say what was done and exit
  --export FILE    write the settings' feed list to an OPML file, say so and exit
  A ticker runs once per settings file: a second pennant hands its command (and
  --import or --export) to the running one and exits.
  --version        print the version and exit
  --help           print this help and exit
</source>
        <translation>Aufruf: pennant [--headless] [--once] [--demo] [--verbose] [--settings DATEI] [--plugins ORDNER]
                [--view-size BxH]
        pennant [--settings DATEI] --preferences | --refresh | --toggle-pause | --quit
        pennant [--settings DATEI] [--plugins ORDNER] --import DATEI | --export DATEI
        pennant --version | --help
  --headless        ohne Fenster: jedes Schild, jede Logzeile, jeden Piepton, jede geöffnete URL,
                    jedes Menü und Fenster als JSON-Zeilen auf stdout ausgeben, Befehle von stdin lesen
  --once            beenden, sobald jeder eingeschaltete Feed einmal aktualisiert ist
  --demo            mit den mitgelieferten Demo-Feeds und einer vorläufigen Einstellungsdatei laufen
  --verbose         im Fenster jede Logzeile auf stderr schreiben, nicht nur Probleme
  --settings DATEI  Einstellungsdatei (Vorgabe $XDG_CONFIG_HOME/pennant/settings.json)
  --plugins ORDNER  Ordner der Plug-in-Bundles (Vorgabe: neben dem Programm)
  --view-size BxH   Größe des Streifens im Modus ohne Fenster (Vorgabe 1280x24)
  --preferences     die Einstellungen öffnen (des laufenden Tickers, sonst einen starten)
  --refresh         jeden Feed jetzt aktualisieren (im laufenden Ticker, sonst einen starten)
  --toggle-pause    den laufenden Ticker anhalten oder wieder laufen lassen
  --quit            den laufenden Ticker beenden
  --import DATEI    die Feeds einer OPML-Datei den Einstellungen hinzufügen, das Ergebnis nennen, beenden
  --export DATEI    die Feed-Liste der Einstellungen in eine OPML-Datei schreiben, das melden, beenden
  Je Einstellungsdatei läuft ein Ticker: ein zweites pennant übergibt seinen Befehl (und
  --import oder --export) dem laufenden und beendet sich.
  --version         die Version ausgeben und beenden
  --help            diese Hilfe ausgeben und beenden
</translation>
    </message>
    <message>
        <source>--preferences, --refresh, --toggle-pause and --quit are for the ticker in its window, one at a time</source>
        <translation>--preferences, --refresh, --toggle-pause und --quit gelten dem Ticker im Fenster, jeweils nur eine Option</translation>
    </message>
</context>
<context>
    <name>PreferencesWindow</name>
    <message>
        <source>Pennant Preferences</source>
        <translation>Pennant-Einstellungen</translation>
    </message>
    <message>
        <source>This plug-in's preferences could not be loaded.</source>
        <translation>Die Einstellungen dieses Plug-ins konnten nicht geladen werden.</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
</context>
<context>
    <name>SettingsFile</name>
    <message>
        <source>cannot read the settings file %1: %2; starting from empty settings, and the file will not be written</source>
        <translation>die Einstellungsdatei %1 ist nicht lesbar: %2; es geht mit leeren Einstellungen weiter, und die Datei wird nicht geschrieben</translation>
    </message>
    <message>
        <source>%1 at byte %2</source>
        <translation>%1 bei Byte %2</translation>
    </message>
    <message>
        <source>it does not hold a JSON object</source>
        <translation>sie enthält kein JSON-Objekt</translation>
    </message>
    <message>
        <source>the settings file %1 is unreadable (%2) and could not be moved aside; starting from empty settings, and the file will not be written</source>
        <translation>die Einstellungsdatei %1 ist unlesbar (%2) und konnte nicht beiseitegelegt werden; es geht mit leeren Einstellungen weiter, und die Datei wird nicht geschrieben</translation>
    </message>
    <message>
        <source>the settings file %1 is unreadable (%2); it was moved to %3 and the settings start empty</source>
        <translation>die Einstellungsdatei %1 ist unlesbar (%2); sie wurde nach %3 verschoben, und die Einstellungen beginnen leer</translation>
    </message>
    <message>
        <source>the settings of %1 in %2 are not a dictionary; they start empty (the file was copied to %3)</source>
        <translation>die Einstellungen von %1 in %2 sind kein Wörterbuch; sie beginnen leer (die Datei wurde nach %3 kopiert)</translation>
    </message>
    <message>
        <source>the settings file %1 was not written: it could not be read and is left as it was</source>
        <translation>die Einstellungsdatei %1 wurde nicht geschrieben: sie ließ sich nicht lesen und bleibt, wie sie war</translation>
    </message>
    <message>
        <source>cannot write the settings file %1: %2</source>
        <translation>die Einstellungsdatei %1 lässt sich nicht schreiben: %2</translation>
    </message>
</context>
<context>
    <name>SourceListTransfer</name>
    <message>
        <source>no plug-in keeps a list of sources</source>
        <translation>kein Plug-in führt eine Liste von Quellen</translation>
    </message>
</context>
<context>
    <name>StripNotice</name>
    <message>
        <source>No news yet — right-click for Preferences… to add a feed</source>
        <translation>Noch keine Nachrichten — Rechtsklick, dann Einstellungen…, um einen Feed hinzuzufügen</translation>
    </message>
    <message>
        <source>Every feed is turned off — right-click for Preferences… to turn one on</source>
        <translation>Alle Feeds sind ausgeschaltet — Rechtsklick, dann Einstellungen…, um einen einzuschalten</translation>
    </message>
    <message>
        <source>1 feed could not be updated — right-click for Preferences…</source>
        <translation>1 Feed konnte nicht aktualisiert werden — Rechtsklick für Einstellungen…</translation>
    </message>
    <message>
        <source>%1 feeds could not be updated — right-click for Preferences…</source>
        <translation>%1 Feeds konnten nicht aktualisiert werden — Rechtsklick für Einstellungen…</translation>
    </message>
</context>
<context>
    <name>TickerPage</name>
    <message>
        <source>System size</source>
        <translation>Systemgröße</translation>
    </message>
    <message>
        <source> pt</source>
        <translation> pt</translation>
    </message>
    <message>
        <source>Use the s&amp;ystem font</source>
        <translation>S&amp;ystemschrift verwenden</translation>
    </message>
    <message>
        <source>Si&amp;ze:</source>
        <translation>Größ&amp;e:</translation>
    </message>
    <message>
        <source>&amp;Font:</source>
        <translation>Schri&amp;ftart:</translation>
    </message>
    <message>
        <source>System colour</source>
        <translation>Systemfarbe</translation>
    </message>
    <message>
        <source>Automatic (blue that reads on the background)</source>
        <translation>Automatisch (ein Blau, das sich vom Hintergrund abhebt)</translation>
    </message>
    <message>
        <source>The colour of the headlines</source>
        <translation>Die Farbe der Schlagzeilen</translation>
    </message>
    <message>
        <source>&amp;Text colour:</source>
        <translation>&amp;Textfarbe:</translation>
    </message>
    <message>
        <source>&amp;Background:</source>
        <translation>&amp;Hintergrund:</translation>
    </message>
    <message>
        <source>Headline (lin&amp;k) colour:</source>
        <translation>Farbe der Schlagzeilen (Lin&amp;ks):</translation>
    </message>
    <message>
        <source>Follows the font</source>
        <translation>Folgt der Schrift</translation>
    </message>
    <message>
        <source> px</source>
        <translation> px</translation>
    </message>
    <message>
        <source>Strip hei&amp;ght:</source>
        <translation>Höhe des St&amp;reifens:</translation>
    </message>
    <message>
        <source> px/s</source>
        <translation> px/s</translation>
    </message>
    <message>
        <source>The mouse wheel over the strip changes it too</source>
        <translation>Auch das Mausrad über dem Streifen ändert sie</translation>
    </message>
    <message>
        <source>&amp;Speed:</source>
        <translation>&amp;Geschwindigkeit:</translation>
    </message>
    <message>
        <source>&amp;Pause while the pointer rests on the strip</source>
        <translation>&amp;Anhalten, solange der Zeiger auf dem Streifen ruht</translation>
    </message>
    <message>
        <source>D&amp;ark Colours</source>
        <translation>D&amp;unkle Farben</translation>
    </message>
    <message>
        <source>Light text on a dark background</source>
        <translation>Heller Text auf dunklem Hintergrund</translation>
    </message>
    <message>
        <source>Restore &amp;Defaults</source>
        <translation>&amp;Vorgaben wiederherstellen</translation>
    </message>
    <message>
        <source>Now %1 px</source>
        <translation>Jetzt %1 px</translation>
    </message>
    <message>
        <source>Ticker</source>
        <translation>Ticker</translation>
    </message>
</context>
<context>
    <name>TickerStrip</name>
    <message>
        <source>News ticker</source>
        <translation>Nachrichtenticker</translation>
    </message>
    <message>
        <source>Picture</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Speed: %1 px/s</source>
        <translation>Geschwindigkeit: %1 px/s</translation>
    </message>
</context>
<context>
    <name>TickerWindow</name>
    <message>
        <source>Dismiss</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Fortsetzen</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Preferences…</source>
        <translation>Einstellungen…</translation>
    </message>
    <message>
        <source>Refresh now</source>
        <translation>Jetzt aktualisieren</translation>
    </message>
    <message>
        <source>Dock at Top</source>
        <translation>Oben andocken</translation>
    </message>
    <message>
        <source>Dock at Bottom</source>
        <translation>Unten andocken</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Screen</source>
        <translation>Bildschirm</translation>
    </message>
    <message>
        <source>, primary</source>
        <translation>, Hauptbildschirm</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>no display can be opened; run `pennant --headless` to use the ticker without a window</source>
        <translation>es lässt sich keine Anzeige öffnen; mit `pennant --headless` läuft der Ticker ohne Fenster</translation>
    </message>
    <message>
        <source>the demo feeds are not installed</source>
        <translation>die Demo-Feeds sind nicht installiert</translation>
    </message>
    <message>
        <source>no plug-in was loaded from %1</source>
        <translation>aus %1 wurde kein Plug-in geladen</translation>
    </message>
</context>
</TS>
