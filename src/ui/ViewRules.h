#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The input rules of the views, for QML: pure functions, no state.
class ViewRules : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    // The port a field text stands for, or -1 when the text is no port.
    Q_INVOKABLE int parsePort(const QString& text) const;
    Q_INVOKABLE qint64 wordCount(const QString& text) const;
    Q_INVOKABLE qint64 sectionCount(const QString& text) const;
    // True when the text holds something besides white space and line breaks.
    Q_INVOKABLE bool isSendable(const QString& text) const;
};
