#pragma once
#include <QString>
#include <QVariantMap>

// The bundled demo feeds: RSS files of our own addressed by file URL.
QString demoFeedFolder();
// Settings for the Newsreel plug-in that subscribe to every demo feed.
QVariantMap demoSettings(const QString& folder);
