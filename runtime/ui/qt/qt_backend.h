// The Qt back end: Qt 6 Widgets on the thread that owns the QApplication (the
// process's main thread), mirroring the runtime's window models. The window marked as
// the frame is a QMainWindow with menu bar, toolbar, status bar and a QMdiArea; every
// other window is an MDI child of it (a top-level window while there is no frame).
// Positions and sizes are dialog units, turned into pixels by the window font's
// metrics; texts are one byte a character, shown and read as Latin-1.
//
// Message boxes raised on a runtime thread are shown without blocking the GUI or any
// other thread: the raising thread waits (dispatching its window messages) and its
// window is disabled until the box is answered.
#ifndef VX_RUNTIME_UI_QT_QT_BACKEND_H_
#define VX_RUNTIME_UI_QT_QT_BACKEND_H_

#include <cstdint>
#include <functional>

class QAction;
class QMainWindow;
class QMdiArea;
class QWidget;

namespace vx::ui::qt {

// Installs the back end. Call on the GUI thread after the QApplication exists.
void install();
// Stops mirroring and deletes the widgets (before the QApplication goes). Windows that
// change later are not shown; later boxes are answered with their default button.
void uninstall();

// Runs `program` as runtime thread 1 beside Qt's event loop on the calling thread, and
// returns when the program has returned.
void run_program(int argc, char** argv, const std::function<void()>& program);

// For tests, on the GUI thread.
QMainWindow* frame_widget();
QMdiArea* mdi_area();
QWidget* window_widget(std::uint64_t window_id);  // the MDI child or top-level window
QWidget* control_widget(std::uint64_t window_id, std::int32_t control);
QAction* control_action(std::uint64_t window_id, std::int32_t control);
// Pixels per dialog unit, horizontally and vertically, of a window.
double dialog_unit_x(std::uint64_t window_id);
double dialog_unit_y(std::uint64_t window_id);

}  // namespace vx::ui::qt

#endif  // VX_RUNTIME_UI_QT_QT_BACKEND_H_
