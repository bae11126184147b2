#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

class UserDefaults;

// The save panel's decisions, apart from its widgets so they can be tested.
namespace SavePanelChoices {

// The name proposed in the panel: the image file's name without its last
// extension ("shot.final.png" proposes "shot.final"), else "Lumetra " and the
// date ("Lumetra 2025-03-01 at 14.05.09").
QString defaultName(const std::optional<QString>& imagePath, const QDateTime& now);
// The whole file name put in the panel for format `formatId`: the image file's own
// name as it stands when its extension already names that format (a file just saved
// as "q.jpeg" or "UP.JPG" proposes that very name, so Return writes it again), else
// defaultName() with the format's extension.
QString proposedFileName(const std::optional<QString>& imagePath, const QDateTime& now, const QString& formatId);

// The folder the panel opens in: that of the last save of this image, else that of
// the image's file when it is on disk (a capture or a paste has none), else the last
// folder anything was saved to, else the Pictures folder (XDG), else home.
QString defaultFolder(const std::optional<QString>& lastSavedPath, const std::optional<QString>& imagePath);
// Notes a folder saved to, for the panels that follow (while Lumetra runs).
void rememberSavedFolder(const QString& folder);

// "75%": the quality times 100, rounded half away from zero.
QString qualityPercentText(double quality);

// A row label: the localised text and a colon, full-width in Chinese.
QString rowLabelText(const QString& key);

// The stored defaults: the format ("png" when no row has the stored id) and
// the JPEG quality (0.9 when absent or out of 0.1...1).
QString storedFormat(const UserDefaults& defaults);
double storedQuality(const UserDefaults& defaults);

// Written only when the user confirms the panel.
void store(UserDefaults& defaults, const QString& formatId, double quality);

// The slider works in whole percent from 10 to 100.
int sliderValue(double quality);
double qualityForSlider(int value);

} // namespace SavePanelChoices
