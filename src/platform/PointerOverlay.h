#pragma once

#include <QObject>
#include <QPointF>

// The red dot a phone's finger moves over the screen that holds the presentation: drawn above everything, a
// full-screen slideshow included, and never taking a click or the keyboard focus from what lies below it.
// Lives on the main thread.
class PointerOverlay : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // position is relative to that screen: (0, 0) is its top left corner, (1, 1) its bottom right one.
    virtual void showPointer(QPointF position) = 0;
    virtual void hidePointer() = 0;
};
