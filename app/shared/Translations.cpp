#include "app/shared/Translations.h"

#include "platform/Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

Translations::Translations() = default;

Translations::~Translations() {
    remove();
}

QString Translations::hostFolder() {
    const QString here = QCoreApplication::applicationDirPath();
    const QString beside = here + QStringLiteral("/translations");
    if (QFileInfo(beside).isDir()) return beside;
    return QDir::cleanPath(here + QStringLiteral("/../share/pennant/translations"));
}

bool Translations::add(const QLocale& locale, const QString& name, const QString& folder) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, name, QStringLiteral("_"), folder) ||
        !QCoreApplication::installTranslator(translator.get()))
        return false;
    installed_.push_back(std::move(translator));
    return true;
}

namespace {

// The texts are written in English: an English or "C" locale loads nothing, not
// even a catalogue its language list names second.
bool writtenIn(const QLocale& locale) {
    return locale.language() == QLocale::English || locale.language() == QLocale::C;
}

} // namespace

int Translations::install(const QLocale& locale, const QString& hostCatalogues) {
    if (writtenIn(locale)) return 0;
    const std::size_t before = installed_.size();
    add(locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    add(locale, QStringLiteral("pennant"), hostCatalogues);
    return int(installed_.size() - before);
}

int Translations::installBundle(const QLocale& locale, const platform::Bundle& bundle) {
    if (writtenIn(locale)) return 0;
    const std::size_t before = installed_.size();
    const QString folder = QDir(bundle.bundlePath()).filePath(QStringLiteral("translations"));
    QStringList names;
    for (const QString& file : QDir(folder).entryList({QStringLiteral("*.qm")}, QDir::Files)) {
        const QString name = file.section(u'_', 0, 0);
        if (!names.contains(name)) names << name;
    }
    for (const QString& name : names)
        add(locale, name, folder);
    return int(installed_.size() - before);
}

void Translations::remove() {
    for (const auto& translator : installed_)
        QCoreApplication::removeTranslator(translator.get());
    installed_.clear();
}
