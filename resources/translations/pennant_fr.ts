<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>ColorButton</name>
    <message>
        <source>Choose…</source>
        <translation>Choisir…</translation>
    </message>
    <message>
        <source>Choose a Colour</source>
        <translation>Choisir une couleur</translation>
    </message>
</context>
<context>
    <name>HostOptions</name>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 demande une valeur</translation>
    </message>
    <message>
        <source>--view-size takes WIDTHxHEIGHT, such as 1280x24, not %1</source>
        <translation>--view-size prend LARGEURxHAUTEUR, comme 1280x24, et non %1</translation>
    </message>
    <message>
        <source>unknown argument %1</source>
        <translation>argument inconnu %1</translation>
    </message>
    <message>
        <source>--import and --export are given one at a time</source>
        <translation>--import et --export se donnent un à la fois</translation>
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
        <translation>usage : pennant [--headless] [--once] [--demo] [--verbose] [--settings FICHIER] [--plugins DOSSIER]
                [--view-size LxH]
        pennant [--settings FICHIER] --preferences | --refresh | --toggle-pause | --quit
        pennant [--settings FICHIER] [--plugins DOSSIER] --import FICHIER | --export FICHIER
        pennant --version | --help
  --headless          sans fenêtre : écrire chaque panneau, ligne de journal, bip, URL ouverte, menu et
                      fenêtre en lignes JSON sur stdout et lire les commandes sur stdin
  --once              quitter dès que chaque flux actif a été actualisé une fois
  --demo              utiliser les flux de démonstration fournis avec un fichier de réglages temporaire
  --verbose           dans la fenêtre, écrire chaque ligne de journal sur stderr, pas seulement les problèmes
  --settings FICHIER  fichier de réglages (par défaut $XDG_CONFIG_HOME/pennant/settings.json)
  --plugins DOSSIER   dossier des paquets de modules (par défaut : à côté du programme)
  --view-size LxH     taille du bandeau en mode sans fenêtre (par défaut 1280x24)
  --preferences       ouvrir les préférences (du bandeau en cours, ou en lancer un)
  --refresh           actualiser chaque flux maintenant (dans le bandeau en cours, ou en lancer un)
  --toggle-pause      suspendre le bandeau en cours, ou le relancer
  --quit              quitter le bandeau en cours
  --import FICHIER    ajouter aux réglages les flux d'un fichier OPML, dire ce qui a été fait et quitter
  --export FICHIER    écrire la liste des flux des réglages dans un fichier OPML, le dire et quitter
  Un seul bandeau tourne par fichier de réglages : un second pennant transmet sa commande (et
  --import ou --export) à celui qui tourne et se termine.
  --version           afficher la version et quitter
  --help              afficher cette aide et quitter
</translation>
    </message>
    <message>
        <source>--preferences, --refresh, --toggle-pause and --quit are for the ticker in its window, one at a time</source>
        <translation>--preferences, --refresh, --toggle-pause et --quit s'adressent au bandeau dans sa fenêtre, une seule à la fois</translation>
    </message>
</context>
<context>
    <name>PreferencesWindow</name>
    <message>
        <source>Pennant Preferences</source>
        <translation>Préférences de Pennant</translation>
    </message>
    <message>
        <source>This plug-in's preferences could not be loaded.</source>
        <translation>Les préférences de ce module n'ont pas pu être chargées.</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Fermer</translation>
    </message>
</context>
<context>
    <name>SettingsFile</name>
    <message>
        <source>cannot read the settings file %1: %2; starting from empty settings, and the file will not be written</source>
        <translation>impossible de lire le fichier de réglages %1 : %2 ; les réglages partent de zéro et le fichier ne sera pas écrit</translation>
    </message>
    <message>
        <source>%1 at byte %2</source>
        <translation>%1 à l'octet %2</translation>
    </message>
    <message>
        <source>it does not hold a JSON object</source>
        <translation>il ne contient pas d'objet JSON</translation>
    </message>
    <message>
        <source>the settings file %1 is unreadable (%2) and could not be moved aside; starting from empty settings, and the file will not be written</source>
        <translation>le fichier de réglages %1 est illisible (%2) et n'a pas pu être mis de côté ; les réglages partent de zéro et le fichier ne sera pas écrit</translation>
    </message>
    <message>
        <source>the settings file %1 is unreadable (%2); it was moved to %3 and the settings start empty</source>
        <translation>le fichier de réglages %1 est illisible (%2) ; il a été déplacé vers %3 et les réglages partent de zéro</translation>
    </message>
    <message>
        <source>the settings of %1 in %2 are not a dictionary; they start empty (the file was copied to %3)</source>
        <translation>les réglages de %1 dans %2 ne sont pas un dictionnaire ; ils partent de zéro (le fichier a été copié vers %3)</translation>
    </message>
    <message>
        <source>the settings file %1 was not written: it could not be read and is left as it was</source>
        <translation>le fichier de réglages %1 n'a pas été écrit : il n'a pas pu être lu et reste tel quel</translation>
    </message>
    <message>
        <source>cannot write the settings file %1: %2</source>
        <translation>impossible d'écrire le fichier de réglages %1 : %2</translation>
    </message>
</context>
<context>
    <name>SourceListTransfer</name>
    <message>
        <source>no plug-in keeps a list of sources</source>
        <translation>aucun module ne tient de liste de sources</translation>
    </message>
</context>
<context>
    <name>StripNotice</name>
    <message>
        <source>No news yet — right-click for Preferences… to add a feed</source>
        <translation>Pas encore d'actualités — clic droit, puis Préférences… pour ajouter un flux</translation>
    </message>
    <message>
        <source>Every feed is turned off — right-click for Preferences… to turn one on</source>
        <translation>Tous les flux sont désactivés — clic droit, puis Préférences… pour en activer un</translation>
    </message>
    <message>
        <source>1 feed could not be updated — right-click for Preferences…</source>
        <translation>1 flux n'a pas pu être actualisé — clic droit pour les Préférences…</translation>
    </message>
    <message>
        <source>%1 feeds could not be updated — right-click for Preferences…</source>
        <translation>%1 flux n'ont pas pu être actualisés — clic droit pour les Préférences…</translation>
    </message>
</context>
<context>
    <name>TickerPage</name>
    <message>
        <source>System size</source>
        <translation>Taille du système</translation>
    </message>
    <message>
        <source> pt</source>
        <translation> pt</translation>
    </message>
    <message>
        <source>Use the s&amp;ystem font</source>
        <translation>Utiliser la police du s&amp;ystème</translation>
    </message>
    <message>
        <source>Si&amp;ze:</source>
        <translation>&amp;Taille :</translation>
    </message>
    <message>
        <source>&amp;Font:</source>
        <translation>&amp;Police :</translation>
    </message>
    <message>
        <source>System colour</source>
        <translation>Couleur du système</translation>
    </message>
    <message>
        <source>Automatic (blue that reads on the background)</source>
        <translation>Automatique (un bleu lisible sur le fond)</translation>
    </message>
    <message>
        <source>The colour of the headlines</source>
        <translation>La couleur des titres</translation>
    </message>
    <message>
        <source>&amp;Text colour:</source>
        <translation>Couleur du te&amp;xte :</translation>
    </message>
    <message>
        <source>&amp;Background:</source>
        <translation>Fon&amp;d :</translation>
    </message>
    <message>
        <source>Headline (lin&amp;k) colour:</source>
        <translation>Couleur des titres (lie&amp;ns) :</translation>
    </message>
    <message>
        <source>Follows the font</source>
        <translation>Suit la police</translation>
    </message>
    <message>
        <source> px</source>
        <translation> px</translation>
    </message>
    <message>
        <source>Strip hei&amp;ght:</source>
        <translation>&amp;Hauteur du bandeau :</translation>
    </message>
    <message>
        <source> px/s</source>
        <translation> px/s</translation>
    </message>
    <message>
        <source>The mouse wheel over the strip changes it too</source>
        <translation>La molette de la souris sur le bandeau la change aussi</translation>
    </message>
    <message>
        <source>&amp;Speed:</source>
        <translation>&amp;Vitesse :</translation>
    </message>
    <message>
        <source>&amp;Pause while the pointer rests on the strip</source>
        <translation>&amp;Suspendre tant que le pointeur reste sur le bandeau</translation>
    </message>
    <message>
        <source>D&amp;ark Colours</source>
        <translation>Couleurs s&amp;ombres</translation>
    </message>
    <message>
        <source>Light text on a dark background</source>
        <translation>Texte clair sur fond sombre</translation>
    </message>
    <message>
        <source>Restore &amp;Defaults</source>
        <translation>&amp;Rétablir les valeurs par défaut</translation>
    </message>
    <message>
        <source>Now %1 px</source>
        <translation>Actuellement %1 px</translation>
    </message>
    <message>
        <source>Ticker</source>
        <translation>Bandeau</translation>
    </message>
</context>
<context>
    <name>TickerStrip</name>
    <message>
        <source>News ticker</source>
        <translation>Bandeau d'actualités</translation>
    </message>
    <message>
        <source>Picture</source>
        <translation>Image</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Speed: %1 px/s</source>
        <translation>Vitesse : %1 px/s</translation>
    </message>
</context>
<context>
    <name>TickerWindow</name>
    <message>
        <source>Dismiss</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Reprendre</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Preferences…</source>
        <translation>Préférences…</translation>
    </message>
    <message>
        <source>Refresh now</source>
        <translation>Actualiser maintenant</translation>
    </message>
    <message>
        <source>Dock at Top</source>
        <translation>Ancrer en haut</translation>
    </message>
    <message>
        <source>Dock at Bottom</source>
        <translation>Ancrer en bas</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>Screen</source>
        <translation>Écran</translation>
    </message>
    <message>
        <source>, primary</source>
        <translation>, principal</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>no display can be opened; run `pennant --headless` to use the ticker without a window</source>
        <translation>aucun affichage ne peut être ouvert ; lancez `pennant --headless` pour utiliser le téléscripteur sans fenêtre</translation>
    </message>
    <message>
        <source>the demo feeds are not installed</source>
        <translation>les flux de démonstration ne sont pas installés</translation>
    </message>
    <message>
        <source>no plug-in was loaded from %1</source>
        <translation>aucun module n'a été chargé depuis %1</translation>
    </message>
</context>
</TS>
