#pragma once
// Grid layouts: every grid of the program's windows takes its columns from
// the rows of "SYS_Fields" kept under a layout key (a table or window key)
// and a user and shop code: which fields show, in which order, under which
// caption, how wide, read-only or not, summed in the footer, shown as check
// boxes, and for blob fields the kind of file they hold. Widths and order go
// back when a window closes; everything else is edited in the layout editor.
//
// These operations belong with the data module's helpers, but the client
// library may not reach the grid library, so they live here with the
// windows that call them.
//
// Every text value enters the statements through QuotedStr; widths and
// indexes are integers the program reads from fields. Database errors are
// not caught here: they reach the message loop's error box.

#include <QString>
#include <QStringList>

class TColumnMv;
class TCustomDBGridMv;

// Applies the stored layout to a grid whose dataset is open, and notes the
// layout's key in the client dataset's optional parameters (for
// SaveGridLayout). Fields without a layout row start narrow (a text field
// at most ten characters), not as wide as their database columns.
void ApplyFieldLayout(TCustomDBGridMv* Grid, const QString& TableKey, const QString& ShopCode, const QString& UserCode);
// Writes the widths and order of the grid's fields back: a field without a
// layout row gets one; an existing row keeps its caption and flags. A row
// that another seat writes at the same moment is written again after it.
// Nothing happens while the grid's dataset is closed.
void SaveFieldLayout(TCustomDBGridMv* Grid, const QString& TableKey, const QString& ShopCode, const QString& UserCode);
// SaveFieldLayout under the key that ApplyFieldLayout noted (empty texts
// when it never ran). Every window calls it when it closes; a database out
// of reach keeps the stored layout, and the window closes all the same.
void SaveGridLayout(TCustomDBGridMv* Grid);
// A grid shown under a key that has no stored layout yet gets one from its
// fields as they are (their widths limited as above), so that its special columns (buttons, pick lists,
// check boxes) are there from the first opening on, not only once the
// window has been closed. A stored layout is left as it is.
void EnsureFieldLayout(TCustomDBGridMv* Grid, const QString& TableKey, const QString& ShopCode, const QString& UserCode);
// The layout editor: the table editor over the layout's rows of "SYS_Fields".
void EditFieldLayout(const QString& TableKey, const QString& ShopCode, const QString& UserCode);
// The fields of a layout whose footer can sum them: the number fields of
// its window's row, or the number columns of its table; none for a key
// that names neither.
QStringList LayoutNumberFields(const QString& TableKey);
// Why a layout row's total (captioned TotalCaption) cannot be stored on the
// field; empty when it is a number field of the layout.
QString LayoutTotalProblem(const QString& TableKey, const QString& FieldName, const QString& TotalCaption);

// ---- column decorations
// Pick list "", "WAV", "MP3", "EXE" (the kinds of file a blob may hold).
void SetBinTypePickList(TColumnMv* Column);
// Check boxes storing "1" (checked) and "0" (unchecked).
void SetCheckBoxColumn(TColumnMv* Column);
// The layout editor's "Total" column: a row's box is offered only when the
// row's field is a number of its layout; a tick stored on another field
// still shows, to be taken off.
void OfferTotalOnNumbersOnly(TColumnMv* Column);
// Pick list of every user but "admin".
void FillUserPickList(TColumnMv* Column);
// Pick list of every shop code.
void FillShopPickList(TColumnMv* Column);
// An ellipsis button that opens the platform's home page.
void SetHomePageButton(TColumnMv* Column);
// An ellipsis button that fetches the row's session (GetSessionForRow).
void SetSessionButton(TColumnMv* Column);
// A button that loads a file of the kind into the blob and, for "WAV", one
// that plays it.
void AddBlobButtons(TColumnMv* Column, const QString& BinType);

// ---- button handlers (on the grid that owns the clicked button)
// Asks for a file of the kind and stores it in the selected blob field.
void LoadFileIntoBlob(TCustomDBGridMv* Grid, const QString& BinType);
// Plays the selected blob field (nothing for an empty one).
void PlayBlobField(TCustomDBGridMv* Grid);
// The platform's home page in the browser; without one, a message gives
// its address.
void OpenHomePage();
// Opens the authorize page for the row's "AppKey", runs the session dialog
// and stores a session it returns in the selected field.
void GetSessionForRow(TCustomDBGridMv* Grid);
