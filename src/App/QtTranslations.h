#pragma once

#include "Core/Localization.h"

#include <QObject>
#include <QString>

#include <memory>

class LanguageRefresh;
class QTranslator;

// Qt's own texts (standard buttons, file dialog labels, line-edit context menus) in the
// interface language. Loads Qt's catalogue for the current language now and again on
// every language change; a language without a catalogue simply shows Qt's English.
class QtTranslations : public QObject {
    Q_OBJECT
public:
    // Qt's translations folder, where the system installs them.
    static QString defaultDirectory();

    // The locale suffix of Qt's catalogue names for a language ("de", "zh_CN", ...);
    // empty for English, which Qt speaks without a catalogue.
    static QString catalogueSuffix(AppLanguage language);

    explicit QtTranslations(LanguageRefresh& refresh, const QString& directory = defaultDirectory(),
                            QObject* parent = nullptr);
    ~QtTranslations() override;

    // Installs the catalogue of AppLanguages::current() in place of the previous one.
    void reload();

    // The catalogue file in use; empty when Qt speaks English.
    QString loadedFile() const { return m_loadedFile; }

private:
    QString m_directory;
    std::unique_ptr<QTranslator> m_translator;
    QString m_loadedFile;
};
