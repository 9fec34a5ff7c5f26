#include "ui/message_box_reporter.h"

#include "ui/qt_text.h"

#include <QMessageBox>

void MessageBoxReporter::show(const Message& message)
{
    // Message texts join their lines with CR LF; Qt breaks lines at LF alone.
    QString text = toQt(message.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QMessageBox::Icon icon = message.kind == MessageKind::Warning ? QMessageBox::Warning
                                   : message.kind == MessageKind::Error ? QMessageBox::Critical
                                                                        : QMessageBox::Information;
    QMessageBox box(icon, toQt(message.caption), text, QMessageBox::Ok);
    box.exec();
}
