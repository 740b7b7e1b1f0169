<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>FeedListCommands</name>
    <message>
        <source>Unsubscribed from %1</source>
        <translation>Désabonné de %1</translation>
    </message>
</context>
<context>
    <name>FeedListOpml</name>
    <message>
        <source>%1 feeds</source>
        <translation>%1 flux</translation>
    </message>
    <message>
        <source>not a readable OPML file: %1</source>
        <translation>pas un fichier OPML lisible : %1</translation>
    </message>
    <message>
        <source>not an OPML file (its root element is &lt;%1&gt;)</source>
        <translation>pas un fichier OPML (son élément racine est &lt;%1&gt;)</translation>
    </message>
    <message>
        <source>imported %1, %2 already listed, %3 skipped</source>
        <translation>%1 importés, %2 déjà dans la liste, %3 ignorés</translation>
    </message>
    <message>
        <source>cannot import %1: %2</source>
        <translation>impossible d'importer %1 : %2</translation>
    </message>
    <message>
        <source>cannot export to %1: %2</source>
        <translation>impossible d'exporter vers %1 : %2</translation>
    </message>
    <message>
        <source>exported %1 to %2</source>
        <translation>%1 exportés vers %2</translation>
    </message>
</context>
<context>
    <name>FeedTable</name>
    <message>
        <source>OPML files (*.opml *.xml);;All files (*)</source>
        <translation>Fichiers OPML (*.opml *.xml);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Import Feeds</source>
        <translation>Importer des flux</translation>
    </message>
    <message>
        <source>Export Feeds</source>
        <translation>Exporter des flux</translation>
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
        <translation>jamais</translation>
    </message>
    <message>
        <source>pending</source>
        <translation>en attente</translation>
    </message>
    <message>
        <source>updating</source>
        <translation>actualisation</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>ok</translation>
    </message>
    <message>
        <source>not-modified</source>
        <translation>inchangé</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>échec</translation>
    </message>
    <message>
        <source>deferred</source>
        <translation>différé</translation>
    </message>
    <message>
        <source>Items shown: %1</source>
        <translation>Articles affichés : %1</translation>
    </message>
    <message>
        <source>Last attempt: %1</source>
        <translation>Dernière tentative : %1</translation>
    </message>
    <message>
        <source>Last success: %1</source>
        <translation>Dernière réussite : %1</translation>
    </message>
    <message>
        <source>Next update: %1</source>
        <translation>Prochaine actualisation : %1</translation>
    </message>
    <message>
        <source> (now)</source>
        <translation> (maintenant)</translation>
    </message>
    <message>
        <source> (in a minute)</source>
        <translation> (dans une minute)</translation>
    </message>
    <message>
        <source> (in %1 minutes)</source>
        <translation> (dans %1 minutes)</translation>
    </message>
    <message>
        <source>as soon as the preferences are closed</source>
        <translation>dès que les préférences sont fermées</translation>
    </message>
    <message>
        <source>not while the plug-in is off</source>
        <translation>pas tant que le module est désactivé</translation>
    </message>
    <message>
        <source>no address yet</source>
        <translation>pas encore d'adresse</translation>
    </message>
    <message>
        <source>Tried again: %1</source>
        <translation>Nouvel essai : %1</translation>
    </message>
</context>
<context>
    <name>Localizable</name>
    <message>
        <source>Newsreel shows the items of your RSS feeds on the ticker. Click an item for its details and commands.</source>
        <translation>Newsreel affiche les articles de vos flux RSS dans le téléscripteur. Cliquez sur un article pour ses détails et ses commandes.</translation>
    </message>
</context>
<context>
    <name>MenuEntryUpdater</name>
    <message>
        <source>and %1 more</source>
        <translation>et %1 de plus</translation>
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
        <translation>Actif</translation>
    </message>
    <message>
        <source>Feed Address</source>
        <translation>Adresse du flux</translation>
    </message>
    <message>
        <source>Minutes</source>
        <translation>Minutes</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titre</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Add the feeds of an OPML file from another reader</source>
        <translation>Ajouter les flux d'un fichier OPML d'un autre lecteur</translation>
    </message>
    <message>
        <source>Write the feed list to an OPML file</source>
        <translation>Écrire la liste des flux dans un fichier OPML</translation>
    </message>
    <message>
        <source>characters</source>
        <translation>caractères</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Item Info</source>
        <translation>Infos sur l'article</translation>
    </message>
    <message>
        <source>Feed Info</source>
        <translation>Infos sur le flux</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>Article</translation>
    </message>
    <message>
        <source>Feed</source>
        <translation>Flux</translation>
    </message>
    <message>
        <source>Don't Show This Item Again</source>
        <translation>Ne plus afficher cet article</translation>
    </message>
    <message>
        <source>Unsubscribe from This Feed</source>
        <translation>Se désabonner de ce flux</translation>
    </message>
    <message>
        <source>Show Full Description…</source>
        <translation>Afficher la description complète…</translation>
    </message>
    <message>
        <source>Open Item in Browser</source>
        <translation>Ouvrir l'article dans le navigateur</translation>
    </message>
    <message>
        <source>Email the Author…</source>
        <translation>Écrire à l'auteur…</translation>
    </message>
    <message>
        <source>Open Comments Page</source>
        <translation>Ouvrir la page des commentaires</translation>
    </message>
    <message>
        <source>Download Enclosure</source>
        <translation>Télécharger la pièce jointe</translation>
    </message>
    <message>
        <source>Subscribe to Source Feed</source>
        <translation>S'abonner au flux source</translation>
    </message>
    <message>
        <source>Publication Date: </source>
        <translation>Date de publication : </translation>
    </message>
    <message>
        <source>Source: </source>
        <translation>Source : </translation>
    </message>
    <message>
        <source>Category: </source>
        <translation>Catégorie : </translation>
    </message>
    <message>
        <source>Show Full Feed Description…</source>
        <translation>Afficher la description complète du flux…</translation>
    </message>
    <message>
        <source>Open Feed Site in Browser</source>
        <translation>Ouvrir le site du flux dans le navigateur</translation>
    </message>
    <message>
        <source>Set Update Interval to </source>
        <translation>Régler l'intervalle d'actualisation sur </translation>
    </message>
    <message>
        <source>Email the Managing Editor…</source>
        <translation>Écrire au rédacteur en chef…</translation>
    </message>
    <message>
        <source>Email the Webmaster…</source>
        <translation>Écrire au webmestre…</translation>
    </message>
    <message>
        <source>Language: </source>
        <translation>Langue : </translation>
    </message>
    <message>
        <source>Copyright: </source>
        <translation>Droits d'auteur : </translation>
    </message>
    <message>
        <source>Last Build Date: </source>
        <translation>Dernière génération : </translation>
    </message>
    <message>
        <source>Generator: </source>
        <translation>Générateur : </translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Ajouter</translation>
    </message>
    <message>
        <source>Add a feed (Alt+A)</source>
        <translation>Ajouter un flux (Alt+A)</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Retirer</translation>
    </message>
    <message>
        <source>Remove the selected feeds (Delete, Alt+R)</source>
        <translation>Retirer les flux sélectionnés (Suppr, Alt+R)</translation>
    </message>
    <message>
        <source>&amp;Import…</source>
        <translation>&amp;Importer…</translation>
    </message>
    <message>
        <source>&amp;Export…</source>
        <translation>E&amp;xporter…</translation>
    </message>
    <message>
        <source>&amp;Update each feed as often as it asks (its time-to-live)</source>
        <translation>Act&amp;ualiser chaque flux aussi souvent qu'il le demande (sa durée de vie)</translation>
    </message>
    <message>
        <source>&amp;Longest title shown:</source>
        <translation>Titre &amp;le plus long affiché :</translation>
    </message>
    <message>
        <source>Show &amp;Hidden Items Again</source>
        <translation>Réafficher les éléments &amp;masqués</translation>
    </message>
</context>
<context>
    <name>PaneController</name>
    <message>
        <source>"%1" is not a feed address: %2</source>
        <translation>« %1 » n'est pas une adresse de flux : %2</translation>
    </message>
</context>
</TS>
