#pragma once
// What sits beside the dataset grid's scrolling and stored layouts: the
// parameters an outside scroll bar shows, and the two property interceptors
// through which a stored layout writes and reads a grid's column widths and
// column order (registered for the column classes when the program starts).

#include "grid/DBGridMv.h"
#include "gridbase/PropFilerMv.h"

#include <QPointer>

// The outside horizontal bar's parameters: 0..127 over the scrollable
// columns, the page the count of visible ones; max 0 when every column fits.
TScrollInfo HorzExtScrollInfo(int LeftCol, int FixedCols, int LastLeftCol, int VisibleCols, int ColCount);

// Gives an outside bar a range in the grid's own terms (Max the last
// position plus the page less one, as a window bar's); min never above max.
void ApplyExtScrollInfo(QScrollBar& Bar, const TScrollInfo& Info);

// The columns' field names in collection order, each quoted (a quote inside
// doubled, so the text reads back the same) and separated by commas.
QString ColumnsIndexText(const TDBGridColumnsMv& Columns);
// Moves the named columns to the front, in the order named. Names that fit
// no column, and repeats of a name already placed, are skipped; the columns
// not named keep their relative order behind the named ones.
void ApplyColumnsIndex(TDBGridColumnsMv& Columns, const QString& Text);

// A column's width as a stored layout restores it: into the auto-fit base
// width while the grid fits its columns, else into the width.
class TColumnMvPropertyInterceptor : public TStoragePropertyInterceptor {
    Q_OBJECT
    Q_PROPERTY(int Width READ Width WRITE SetWidth STORED false)

public:
    Q_INVOKABLE explicit TColumnMvPropertyInterceptor(QObject* Target);
    TColumnMv* Column() const;
    int Width() const;
    void SetWidth(int Value);
};

// The order of a grid's columns as the text of their quoted field names.
class TColumnsMvPropertyInterceptor : public TStoragePropertyInterceptor {
    Q_OBJECT
    Q_PROPERTY(QString ColumnsIndex READ ColumnsIndex WRITE SetColumnsIndex)

public:
    Q_INVOKABLE explicit TColumnsMvPropertyInterceptor(QObject* Target);
    TDBGridColumnsMv* Columns() const;
    QString ColumnsIndex() const;
    void SetColumnsIndex(const QString& Value);

private:
    QString FColumnsIndex;
};
