#pragma once

#include <QString>

#include <utility>

// What the text-recognition panel shows: the recognised text, a progress state
// while recognition runs, or the "nothing found" state. The editor holds an
// optional one; no value means the panel is hidden.
class OCRPanelState {
public:
    enum class Kind { text, recognizing, empty };

    static OCRPanelState text(QString recognised) { return OCRPanelState(Kind::text, std::move(recognised)); }
    static OCRPanelState recognizing() { return OCRPanelState(Kind::recognizing, {}); }
    static OCRPanelState empty() { return OCRPanelState(Kind::empty, {}); }

    Kind kind() const { return m_kind; }
    bool isText() const { return m_kind == Kind::text; }
    bool isRecognizing() const { return m_kind == Kind::recognizing; }
    bool isEmpty() const { return m_kind == Kind::empty; }
    // The recognised text; an empty string for the other cases.
    const QString& recognizedText() const { return m_text; }

    friend bool operator==(const OCRPanelState& a, const OCRPanelState& b)
    {
        return a.m_kind == b.m_kind && a.m_text == b.m_text;
    }
    friend bool operator!=(const OCRPanelState& a, const OCRPanelState& b) { return !(a == b); }

private:
    OCRPanelState(Kind kind, QString text)
        : m_kind(kind), m_text(std::move(text))
    {
    }

    Kind m_kind;
    QString m_text;
};
