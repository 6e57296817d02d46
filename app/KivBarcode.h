#pragma once
// The stock-in's barcode is stored in "KivItem"."Barcode": no barcode longer
// than that column is taken, in the main window's box or the stock-in
// dialog's. The length is the one the database declares for the column
// (TextColumnLength), so a database whose column differs is followed.

#include <QString>

class QLineEdit;

// The most characters a barcode may have.
int BarcodeMaxLength();

// Why the barcode cannot be stored, naming the field; empty when it can.
QString BarcodeProblem(const QString& barcode);

// The box takes no more characters than a barcode may have: a key beyond
// them, or a paste, drop or input-method text that would not fit, is
// refused whole (never cut), and the user is told so once the key or paste
// has been dealt with.
void LimitBarcodeEdit(QLineEdit& edit);

// Tells a refusal of the box that the user has not been told yet, at once
// (Enter may come before the message would); true when there was one, and
// the barcode in the box is then not the one the user meant.
bool TellBarcodeRefusal(QLineEdit& edit);
