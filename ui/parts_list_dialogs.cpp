#include "ui/parts_list_dialogs.h"

#include "cad/parts_list.h"
#include "ui/qt_text.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>

std::optional<QString> askSpecFile(QWidget* parent, const std::string& folder,
                                   const std::string& drawingName)
{
    QString start = toQt(folder);
    if (start.isEmpty() || !QFileInfo(start).isDir()) {
        start = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    }
    const QString stem = QFileInfo(toQt(drawingName)).completeBaseName();
    const QString name = stem.isEmpty() ? QStringLiteral("спецификация.csv")
                                        : stem + QStringLiteral(" - спецификация.csv");
    QFileDialog dialog(parent, QStringLiteral("Сохранить спецификацию"), start);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("Таблица CSV (*.csv)"), QStringLiteral("Все файлы (*)")});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(QDir(start).filePath(name));
    // Qt's own dialog (and the system's) opens with the name field focused and its text
    // selected: what the user types replaces it (the window's test checks it).
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

std::optional<std::string> writeSpecFile(const QString& file, const std::string& bytes)
{
    QSaveFile out(file);
    const auto size = static_cast<qint64>(bytes.size());
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes.data(), size) != size || !out.commit()) {
        return "Не удалось записать файл " + toStd(QDir::toNativeSeparators(file)) + ":\r\n" +
               toStd(out.errorString());
    }
    return std::nullopt;
}

bool askPlaceSpec(QWidget* parent)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), toQt(placeSpecQuestion),
                    QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}
