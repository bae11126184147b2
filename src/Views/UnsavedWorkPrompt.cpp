#include "Views/UnsavedWorkPrompt.h"

#include "Core/Localization.h"
#include "Core/Settings.h"

#include <QCheckBox>
#include <QMessageBox>

UnsavedWorkPrompt::Choice UnsavedWorkPrompt::ask(QWidget* parent, const QString& documentName)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Lumetra"),
                    localizedFormat(QStringLiteral("unsaved.message"), {documentName}),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setObjectName(QStringLiteral("lumetraUnsavedWork"));
    box.setInformativeText(localized(QStringLiteral("unsaved.detail")));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    auto* dontAsk = new QCheckBox(localized(QStringLiteral("unsaved.dontAskAgain")), &box);
    box.setCheckBox(dontAsk);
    const int answer = box.exec();
    const Choice choice = answer == QMessageBox::Save  ? Choice::save
                        : answer == QMessageBox::Discard ? Choice::discard
                                                         : Choice::cancel;
    if (choice != Choice::cancel && dontAsk->isChecked())
        Settings::askToSaveChanges.write(false);
    return choice;
}
