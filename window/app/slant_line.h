#pragma once

#include <QWidget>

// A one-pixel black stroke from the top-right to the bottom-left corner of
// the widget's rectangle; the window uses it as the slash between the two
// counters of the run-state frame.
class SlantLine : public QWidget {
    Q_OBJECT

public:
    explicit SlantLine(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
