// The baseline of the start-up figures: an empty Qt Widgets window of the
// tool's size, 649x435.
//
//   bench_empty_window [--mark-paint]   write "painted" after the first frame and quit

#include <optional>

#include <QApplication>
#include <QWidget>

#include "bench_util.h"
#include "first_paint.h"

int main(int argc, char** argv) {
    const bool mark = FlagOption(argc, argv, "--mark-paint");
    QApplication application(argc, argv);
    QWidget window;
    window.resize(649, 435);
    std::optional<FirstPaintMarker> marker;
    if (mark) {
        marker.emplace(window, true);
    }
    window.show();
    return QApplication::exec();
}
