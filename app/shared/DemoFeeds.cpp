#include "app/shared/DemoFeeds.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QVariantList>

QString demoFeedFolder() {
    const QString here = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(here + QStringLiteral("/../share/pennant/demo"));
    if (QFileInfo(installed).isDir()) return installed;
#ifdef PENNANT_DEMO_DIR
    if (QFileInfo(QStringLiteral(PENNANT_DEMO_DIR)).isDir()) return QStringLiteral(PENNANT_DEMO_DIR);
#endif
#ifdef PENNANT_INSTALLED_DEMO_DIR
    if (QFileInfo(QStringLiteral(PENNANT_INSTALLED_DEMO_DIR)).isDir())
        return QStringLiteral(PENNANT_INSTALLED_DEMO_DIR);
#endif
    return {};
}

QVariantMap demoSettings(const QString& folder) {
    QVariantList feeds;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({QStringLiteral("*.xml"), QStringLiteral("*.rdf")}, QDir::Files, QDir::Name)) {
        feeds.append(
            QVariantMap{{QStringLiteral("url"), QUrl::fromLocalFile(dir.absoluteFilePath(name)).toString()},
                        {QStringLiteral("interval"), 30},
                        {QStringLiteral("enabled"), true}});
    }
    return QVariantMap{{QStringLiteral("feeds"), feeds},
                       {QStringLiteral("ignored"), QVariantMap()},
                       {QStringLiteral("useTTL"), true},
                       {QStringLiteral("titleLength"), 30}};
}
