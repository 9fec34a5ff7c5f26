// Start-up: the application, the main window Form1, the standard selection dialog fSelect
// (hidden), then the event loop until the main window closes.
#include "cad/quorvel_draw.h"
#include "ui/main_form.h"
#include "ui/main_unit_state.h"
#include "ui/message_box_reporter.h"
#include "ui/running_objects.h"
#include "ui/select_form.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Quorvel"));
    // A message box closed while the main window is hidden (during a drawing) must not end
    // the application; it ends when Form1 closes.
    app.setQuitOnLastWindowClosed(false);

    MainUnitState state;
    MessageBoxReporter reporter;
    std::unique_ptr<RunningObjects> runningObjects = makeRunningObjects();
    QuorvelDraw draw(*runningObjects, reporter, state.layers);

    TForm1 Form1(
        state, reporter,
        [&draw, &state](bool Is3D, const std::string& PartName, double d, double L, double b,
                        double b1, double c, const StudBlock* block) {
            draw.setSolid3D(state.solid3D); // the window's choice at this click
            draw.Start_ACAD(Is3D, PartName, d, L, b, b1, c, block);
        },
        QCoreApplication::applicationFilePath().toStdString());
    Form1.setEditing({[&draw]() -> std::optional<StoredStud> {
                          if (draw.Edit_Stud() == EditOutcome::Picked) {
                              return draw.edited();
                          }
                          return std::nullopt;
                      },
                      [&draw] { return draw.replacing(); }, [&draw] { draw.forgetEdited(); }});
    // Form1 has read the settings file, which names the CAD program to look up.
    draw.setHostClass(state.cadApplication);
    TfSelect fSelect(state, &Form1);
    Form1.setSelectDialog(&fSelect);
    QObject::connect(&Form1, &TForm1::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    Form1.show();
    return app.exec();
}
