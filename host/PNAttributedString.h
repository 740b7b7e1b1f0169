#pragma once
#include <QColor>
#include <QList>
#include <QString>
#include <optional>

// Text with attribute runs, as a text sign shows it. Positions and lengths count
// UTF-16 code units, as QString does.
class PNAttributedString {
  public:
    enum class Font { Standard, Small };

    struct Run {
        int start = 0;
        int length = 0;
        Font font = Font::Standard;
        std::optional<QColor> color;
        std::optional<int> underline; // underline style; 1 is a single line
    };

    PNAttributedString() = default;
    explicit PNAttributedString(QString text) : text_(std::move(text)) {}

    const QString& string() const { return text_; }
    int length() const { return int(text_.size()); }

    // Sets one attribute over a range; runs are split so that every position keeps
    // the attributes set on it before.
    void addFont(int start, int length, Font font);
    void addColor(int start, int length, const QColor& color);
    void addUnderline(int start, int length, int style);

    // Maximal runs of equal attributes covering the whole text, in order.
    QList<Run> runs() const;

  private:
    template <typename Apply> void apply(int start, int length, Apply&& apply);
    void ensureCovered();

    QString text_;
    QList<Run> runs_;
};
