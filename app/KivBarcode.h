#pragma once
// The stock-in's barcode is stored in "KivItem"."Barcode": no barcode longer
// than that column is taken, in the main window's box or the stock-in
// dialog's. The length is the one the database declares for the column
// (TextColumnLength), so a database whose column differs is followed.
// What a scanner, a spreadsheet's cell or the typist leaves around a
// barcode (blanks, line ends, tabs) is no part of it: it is dropped before
// the barcode is looked up or stored, and a control character inside it
// is refused, so that no barcode is stored with one.

#include <QString>

class QLineEdit;

// The most characters a barcode may have.
int BarcodeMaxLength();

// The barcode without the blanks and control characters around it.
QString CleanBarcode(const QString& barcode);

// The box's barcode cleaned (CleanBarcode), the box showing it so: what is
// looked up and stored is what the user sees.
QString TakeBarcode(QLineEdit& edit);

// Why the (cleaned) barcode cannot be stored, naming the field: a control
// character inside it, or more characters than the column holds; empty
// when it can.
QString BarcodeProblem(const QString& barcode);

// The box takes no more characters than a barcode may have (what is around
// the barcode not counted): a key beyond them, or a paste, drop or
// input-method text that would not fit, is refused whole (never cut), and
// the user is told so once the key or paste has been dealt with.
void LimitBarcodeEdit(QLineEdit& edit);

// Tells a refusal of the box that the user has not been told yet, at once
// (Enter may come before the message would); true when there was one, and
// the barcode in the box is then not the one the user meant.
bool TellBarcodeRefusal(QLineEdit& edit);
