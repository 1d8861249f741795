#pragma once

#include <QMessageBox>
#include <QString>

namespace platform {

// The view's message boxes, in plain text with an OK button.

// Shows the box and returns when the listener has closed it. The box runs a
// nested event loop, in which the thread timer keeps firing: the threads go on
// while it is open.
void runModalMessageBox(QWidget* parent, const QString& title, const QString& text);

// Shows the box modal to the parent's window and returns at once, without a
// nested event loop; the box deletes itself when closed, and the parent owns
// it until then.
QMessageBox& openMessageBox(QWidget& parent, const QString& title, const QString& text);

} // namespace platform
