#pragma once
// The dialogs of «Спецификация…»: where the parts list is saved, the file written whole, and
// whether it is placed in the drawing too.

#include <QString>

#include <optional>
#include <string>

class QWidget;

// The save dialog, opened in the drawing's folder when that exists (else the user's documents)
// with a file name made from the drawing's, its file name field focused: a typed path and Return
// save. The file chosen (".csv" added when it has no suffix); none when cancelled.
[[nodiscard]] std::optional<QString> askSpecFile(QWidget* parent, const std::string& folder,
                                                 const std::string& drawingName);

// Writes the bytes to a temporary file beside the target and renames it over the target, so
// that a failure leaves the old file as it was. The message for the user when it fails.
[[nodiscard]] std::optional<std::string> writeSpecFile(const QString& file,
                                                       const std::string& bytes);

// «Поместить спецификацию в чертёж?» with «Да» (the default) and «Нет»; Esc answers «Нет».
[[nodiscard]] bool askPlaceSpec(QWidget* parent);
