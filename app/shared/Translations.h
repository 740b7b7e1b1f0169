#pragma once
#include <QLocale>
#include <QString>
#include <memory>
#include <vector>

class QTranslator;
namespace platform {
class Bundle;
}

// The translators for one language: Qt's own texts (standard buttons and
// dialogs), the host's and each bundle's. They stay installed while this
// object lives. Headless mode installs none, so that its lines read the same
// in every language; settings keys, log lines and feed content are never
// translated.
class Translations {
  public:
    Translations();
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    // Installs Qt's and the host's catalogues for locale, when they exist; English
    // needs none. Returns how many were installed.
    int install(const QLocale& locale, const QString& hostCatalogues = hostFolder());
    // Installs a bundle's catalogues (NAME_LANG.qm in its translations folder).
    int installBundle(const QLocale& locale, const platform::Bundle& bundle);
    // Takes every translator this object installed out again.
    void remove();

    // The host's catalogues: beside the program in a build tree, under
    // share/pennant/translations once installed.
    static QString hostFolder();

  private:
    bool add(const QLocale& locale, const QString& name, const QString& folder);

    std::vector<std::unique_ptr<QTranslator>> installed_;
};
