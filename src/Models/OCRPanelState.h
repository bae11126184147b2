#pragma once

#include <QString>
#include <QStringList>

#include <utility>

// What the text-recognition panel shows: the recognised text, a progress state
// while recognition runs, or the "nothing found" state. The editor holds an
// optional one; no value means the panel is hidden.
class OCRPanelState {
public:
    enum class Kind { text, recognizing, empty };

    // The languages read in and those whose data is missing, which the card names when
    // any is missing.
    struct Languages {
        QStringList used;
        QStringList missing;
        friend bool operator==(const Languages&, const Languages&) = default;
    };

    static OCRPanelState text(QString recognised, Languages languages = {})
    {
        return OCRPanelState(Kind::text, std::move(recognised), std::move(languages));
    }
    static OCRPanelState recognizing() { return OCRPanelState(Kind::recognizing, {}); }
    static OCRPanelState empty(Languages languages = {}) { return OCRPanelState(Kind::empty, {}, std::move(languages)); }

    Kind kind() const { return m_kind; }
    bool isText() const { return m_kind == Kind::text; }
    bool isRecognizing() const { return m_kind == Kind::recognizing; }
    bool isEmpty() const { return m_kind == Kind::empty; }
    // The recognised text; an empty string for the other cases.
    const QString& recognizedText() const { return m_text; }
    const Languages& languages() const { return m_languages; }

    friend bool operator==(const OCRPanelState& a, const OCRPanelState& b)
    {
        return a.m_kind == b.m_kind && a.m_text == b.m_text && a.m_languages == b.m_languages;
    }
    friend bool operator!=(const OCRPanelState& a, const OCRPanelState& b) { return !(a == b); }

private:
    OCRPanelState(Kind kind, QString text, Languages languages = {})
        : m_kind(kind), m_text(std::move(text)), m_languages(std::move(languages))
    {
    }

    Kind m_kind;
    QString m_text;
    Languages m_languages;
};
