#pragma once
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// What a reader makes of a feed's channel and items: plain values with a member
// for each field the plug-in reads. A field is what one element left: its text
// and, for an element of an item that carried attributes, those attributes.
// Elements the plug-in never reads are kept under their names as written, so
// that nothing a document said is lost on the way to the menu.

struct Attribute {
    QString name;
    QString value;
    bool operator==(const Attribute&) const = default;
};
// Kept values are Qt values, optional ones and lists of them, moved by their
// bytes: a growing list of thousands of items moves them in one piece.
Q_DECLARE_TYPEINFO(Attribute, Q_RELOCATABLE_TYPE);
using Attributes = QList<Attribute>;

struct Field {
    // Null when the element had no text; an empty text is still a text.
    QString text;
    // Empty for a plain text field.
    Attributes attributes;

    bool isPresent() const { return !text.isNull() || !attributes.isEmpty(); }
    bool hasText() const { return !text.isNull(); }
    // The value of one of its attributes, such as an enclosure's "url".
    std::optional<QString> attribute(QStringView name) const {
        for (const Attribute& a : attributes)
            if (a.name == name) return a.value;
        return std::nullopt;
    }
    bool operator==(const Field&) const = default;

    static Field ofText(QString text) { return Field{std::move(text), {}}; }
};
Q_DECLARE_TYPEINFO(Field, Q_RELOCATABLE_TYPE);

struct NamedField {
    QString name;
    Field value;
    bool operator==(const NamedField&) const = default;
};
Q_DECLARE_TYPEINFO(NamedField, Q_RELOCATABLE_TYPE);
using NamedFields = QList<NamedField>;

// A field member of an item or channel and the element name it is stored under.
template <typename Entry> struct FieldMember {
    QString name;
    Field Entry::*field;
};
template <typename Entry> using FieldMembers = QList<FieldMember<Entry>>;

// A list of categories: one entry per category element, in document order.
using Categories = QList<Field>;

struct FeedItem {
    Field title;
    Field link;
    Field guid;
    Field description;
    Field contentEncoded; // content:encoded
    Field pubDate;
    Field dcDate; // dc:date, which some feeds give in place of pubDate
    Field comments;
    Field author;
    Field enclosure;
    Field source;
    // Absent until the item's first category element.
    std::optional<Categories> categories;
    // Set by a reader whose order of stand-ins for a missing title is not the
    // description's (JSON Feed's summary comes before its content).
    QString headlineStandIn;
    // Every other element, in the order first met.
    NamedFields others;

    // The member an element of this name is stored in; an element of another name
    // goes into others. Names are compared exactly, prefix included.
    // Every member above of type Field, with its element's name.
    static const FieldMembers<FeedItem>& fieldMembers();
    Field* knownField(QStringView name);
    const Field* knownField(QStringView name) const { return const_cast<FeedItem*>(this)->knownField(name); }
    // The field stored under the element's name, wherever it is kept.
    const Field* field(QStringView name) const;
    // The field stored under name, made empty first when there is none.
    Field& fieldForName(const QString& name);
    bool isEmpty() const;
    bool operator==(const FeedItem&) const = default;
};
Q_DECLARE_TYPEINFO(FeedItem, Q_RELOCATABLE_TYPE);

// A channel's image: texts only, as its child elements left them.
struct FeedImage {
    QString url;
    QString link;
    QString title;
    NamedFields others;

    QString* knownText(QStringView name);
    // Stores text under name, keeping the first text of a repeated element.
    void storeText(const QString& name, QString text);
    bool operator==(const FeedImage&) const = default;
};

struct FeedChannel {
    Field title;
    Field link;
    Field description;
    Field ttl;
    Field managingEditor;
    Field webMaster;
    Field language;
    Field copyright;
    Field pubDate;
    Field dcDate;
    Field lastBuildDate;
    Field generator;
    std::optional<FeedImage> image;
    // Categories met before the first item.
    std::optional<Categories> categories;
    NamedFields others;

    static const FieldMembers<FeedChannel>& fieldMembers();
    Field* knownField(QStringView name);
    const Field* knownField(QStringView name) const {
        return const_cast<FeedChannel*>(this)->knownField(name);
    }
    const Field* field(QStringView name) const;
    Field& fieldForName(const QString& name);
    bool isEmpty() const;
    bool operator==(const FeedChannel&) const = default;
};
