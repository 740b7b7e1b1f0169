#pragma once
#include <QTextBrowser>
#include <QTextDocument>

// Descriptions are HTML from the feed. The view renders what the text itself
// holds and nothing more: it runs no script (it has none), fetches no image,
// style sheet or page, local or remote, and hands a clicked link to the safe
// opener instead of following it.
class DescriptionDocument : public QTextDocument {
    Q_OBJECT
  public:
    using QTextDocument::QTextDocument;

  protected:
    QVariant loadResource(int type, const QUrl& name) override;
};

class DescriptionView : public QTextBrowser {
    Q_OBJECT
  public:
    explicit DescriptionView(QWidget* parent = nullptr);
    QVariant loadResource(int type, const QUrl& name) override;
    // Replaces the HTML shown by its bounded, safe form (boundedDescription),
    // which is kept readable under the "loadedHTML" property.
    void showHTML(const QString& html);
};

// Puts a description view in the place of the view the interface file loaded
// (same name, same spot in its layout) and deletes the loaded one.
DescriptionView* replaceWithDescriptionView(QTextBrowser* loaded);
