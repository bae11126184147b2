#include "Output/SavePanel.h"

#include "Core/Localization.h"
#include "Output/ExportFormats.h"
#include "Output/SavePanelChoices.h"
#include "Platform/UserDefaults.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>

namespace {

QString nameFilterFor(const ExportFormat& format)
{
    QString patterns = QStringLiteral("*.") + format.extension;
    if (format.id == QLatin1String("jpeg"))
        patterns += QStringLiteral(" *.jpeg");
    else if (format.id == QLatin1String("tiff"))
        patterns += QStringLiteral(" *.tif");
    return localized(format.titleKey) + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

QLabel* makeRowLabel(const QString& key, QWidget* parent)
{
    auto* label = new QLabel(SavePanelChoices::rowLabelText(key), parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

SavePanel::SavePanel(QWidget* parent, const QString& formatId, double initialQuality)
    : QFileDialog(parent), m_initialQuality(initialQuality)
{
    setOption(QFileDialog::DontUseNativeDialog, true);
    // Qt would ask about the name as typed, which is not always the file written.
    setOption(QFileDialog::DontConfirmOverwrite, true);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    // The menu item's text without its trailing ellipsis, in the interface language.
    QString title = localized(QStringLiteral("menu.saveAs"));
    for (const QString& ellipsis : {QStringLiteral("..."), QStringLiteral("\u2026")}) {
        if (title.endsWith(ellipsis))
            title.chop(ellipsis.size());
    }
    setWindowTitle(title.trimmed());

    m_formatPopup = new QComboBox(this);
    m_formatPopup->setObjectName(QStringLiteral("formatPopup"));
    for (const ExportFormat& format : ExportFormats::all())
        m_formatPopup->addItem(localized(format.titleKey), format.id);

    m_qualitySlider = new QSlider(Qt::Horizontal, this);
    m_qualitySlider->setObjectName(QStringLiteral("qualitySlider"));
    m_qualitySlider->setRange(10, 100);
    m_qualitySlider->setValue(SavePanelChoices::sliderValue(initialQuality));
    m_qualityValueLabel = new QLabel(this);
    m_qualityValueLabel->setMinimumWidth(48);
    m_qualityValueLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont digits = m_qualityValueLabel->font();
    digits.setStyleHint(QFont::Monospace);
    m_qualityValueLabel->setFont(digits);

    m_formatRowLabel = makeRowLabel(QStringLiteral("savePanel.fileFormat"), this);
    m_qualityRowLabel = makeRowLabel(QStringLiteral("settings.jpegQuality"), this);

    // Our popup decides the type; the dialog's own type row would contradict it.
    if (auto* typeCombo = findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        typeCombo->hide();
    if (auto* typeLabel = findChild<QLabel*>(QStringLiteral("fileTypeLabel")))
        typeLabel->hide();

    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int row = grid->rowCount();
        grid->addWidget(m_formatRowLabel, row, 0);
        grid->addWidget(m_formatPopup, row, 1);
        auto* qualityRow = new QHBoxLayout;
        qualityRow->addWidget(m_qualitySlider, 1);
        qualityRow->addWidget(m_qualityValueLabel);
        grid->addWidget(m_qualityRowLabel, row + 1, 0);
        grid->addLayout(qualityRow, row + 1, 1);
    }

    selectFormat(formatId);
    if (m_formatPopup->currentIndex() < 0 && m_formatPopup->count() > 0)
        m_formatPopup->setCurrentIndex(0);

    connect(m_formatPopup, &QComboBox::currentIndexChanged, this, [this] { applyFormat(); });
    if (QLineEdit* name = nameField())
        connect(name, &QLineEdit::textChanged, this, &SavePanel::followTypedName);
    connect(m_qualitySlider, &QSlider::valueChanged, this, [this] {
        m_qualityValueLabel->setText(SavePanelChoices::qualityPercentText(quality()));
    });
    m_qualityValueLabel->setText(SavePanelChoices::qualityPercentText(quality()));
    applyFormat();
}

QString SavePanel::selectedFormatId() const
{
    const int index = m_formatPopup->currentIndex();
    if (index < 0 || index >= m_formatPopup->count())
        return QStringLiteral("png");
    return m_formatPopup->itemData(index).toString();
}

double SavePanel::quality() const
{
    // An untouched slider keeps the stored value exactly (0.125 stays 0.125,
    // though the slider moves in whole percent).
    if (m_qualitySlider->value() == SavePanelChoices::sliderValue(m_initialQuality))
        return m_initialQuality;
    return SavePanelChoices::qualityForSlider(m_qualitySlider->value());
}

void SavePanel::selectFormat(const QString& formatId)
{
    const int index = m_formatPopup->findData(formatId);
    if (index >= 0)
        m_formatPopup->setCurrentIndex(index);
}

QLineEdit* SavePanel::nameField() const
{
    return findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

bool SavePanel::isQualityRowVisible() const
{
    return !m_qualitySlider->isHidden();
}

QString SavePanel::resultFormatId() const
{
    const QStringList files = selectedFiles();
    const std::optional<QString> named =
        files.isEmpty() ? std::nullopt : ExportFormats::formatIdOfName(QFileInfo(files.first()).fileName());
    return named.value_or(selectedFormatId());
}

QString SavePanel::resultPath() const
{
    const QStringList files = selectedFiles();
    if (files.isEmpty())
        return {};
    const QFileInfo info(files.first());
    return info.dir().filePath(ExportFormats::fileNameForFormat(info.fileName(), resultFormatId()));
}

void SavePanel::accept()
{
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && !QFileInfo(files.first()).isDir()) {
        const QFileInfo written(resultPath());
        // Qt's own question, in its words and language, about the file that will be written.
        if (written.exists()
            && QMessageBox::warning(this, windowTitle(),
                                    QFileDialog::tr("%1 already exists.\nDo you want to replace it?").arg(written.fileName()),
                                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                   != QMessageBox::Yes)
            return;
        selectFormat(resultFormatId());
    }
    QFileDialog::accept();
}

void SavePanel::followTypedName(const QString& typed)
{
    if (m_followingName)
        return;
    const std::optional<QString> named = ExportFormats::formatIdOfName(typed);
    if (!named || *named == selectedFormatId())
        return;
    QLineEdit* name = nameField();
    const int cursor = name->cursorPosition();
    m_followingName = true;
    selectFormat(*named);
    // The filter of the new format would respell what is being typed; it stays as typed.
    if (name->text() != typed) {
        name->setText(typed);
        name->setCursorPosition(cursor);
    }
    m_followingName = false;
}

void SavePanel::applyFormat()
{
    const QString id = selectedFormatId();
    const std::optional<ExportFormat> format = ExportFormats::format(id);
    if (format) {
        // Setting the filter may clear the typed name; keep it.
        const QString typed = nameField() ? nameField()->text() : QString();
        setNameFilter(nameFilterFor(*format));
        setDefaultSuffix(format->extension);
        if (!typed.isEmpty() && !m_followingName)
            selectFile(ExportFormats::fileNameForFormat(typed, id));
    }
    updateQualityRow();
}

void SavePanel::updateQualityRow()
{
    const bool isJpeg = selectedFormatId() == QLatin1String("jpeg");
    m_qualityRowLabel->setVisible(isJpeg);
    m_qualitySlider->setVisible(isJpeg);
    m_qualityValueLabel->setVisible(isJpeg);
}

void SavePanel::propose(const std::optional<QString>& imagePath, const std::optional<QString>& lastSavedPath,
                        const QDateTime& now)
{
    setDirectory(SavePanelChoices::defaultFolder(lastSavedPath, imagePath));
    selectFile(SavePanelChoices::proposedFileName(imagePath, now, selectedFormatId()));
}

std::optional<SavePanelResult> SavePanel::run(QWidget* parent, const std::optional<QString>& imagePath,
                                              const std::optional<QString>& lastSavedPath)
{
    UserDefaults& defaults = UserDefaults::standard();
    SavePanel panel(parent, SavePanelChoices::storedFormat(defaults), SavePanelChoices::storedQuality(defaults));
    panel.propose(imagePath, lastSavedPath, QDateTime::currentDateTime());

    if (panel.exec() != QDialog::Accepted)
        return std::nullopt;
    const QString path = panel.resultPath();
    if (path.isEmpty())
        return std::nullopt;
    SavePanelChoices::store(defaults, panel.resultFormatId(), panel.quality());
    return SavePanelResult{path, panel.resultFormatId(), panel.quality()};
}
