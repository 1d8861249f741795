#include "platform/qt/MessageBoxes.h"

namespace platform {

namespace {

void fill(QMessageBox& box, const QString& title, const QString& text)
{
    box.setWindowTitle(title);
    // The text may be anything, an error message included: never markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
}

} // namespace

void runModalMessageBox(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(parent);
    fill(box, title, text);
    box.exec();
}

QMessageBox& openMessageBox(QWidget& parent, const QString& title, const QString& text)
{
    auto* box = new QMessageBox(&parent);
    fill(*box, title, text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return *box;
}

} // namespace platform
