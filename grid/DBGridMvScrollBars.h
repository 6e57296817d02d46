#pragma once
// The dataset grid's scrolling and stored layouts: the settings of its two
// scroll bars (an outside bar may stand in for either), the parameters an
// outside bar shows, and the two property interceptors through which a
// stored layout writes and reads a grid's column widths and column order
// (registered for the column classes when the program starts).

#include "grid/DBGridMvTypes.h"
#include "gridbase/PropFilerMv.h"
#include "platform/Control.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QScrollBar>
#include <QString>
#include <optional>

class TCustomDBGridMv;
class TColumnMv;
class TDBGridColumnsMv;

// ================================================================ scroll-bar settings

class TDBGridMvScrollBar {
public:
    TDBGridMvScrollBar(TCustomDBGridMv* Grid, TScrollBarKind Kind) : FGrid(Grid), FKind(Kind) {}
    // The outside bar is let go: it may serve another grid.
    virtual ~TDBGridMvScrollBar();
    TDBGridMvScrollBar(const TDBGridMvScrollBar&) = delete;
    TDBGridMvScrollBar& operator=(const TDBGridMvScrollBar&) = delete;
    TCustomDBGridMv* Grid() const { return FGrid; }
    TScrollBarKind Kind() const { return FKind; }
    bool Tracking = false;
    TScrollBarVisibleModeMv VisibleMode() const { return FVisibleMode; }
    void SetVisibleMode(TScrollBarVisibleModeMv Value);
    bool Visible() const { return FVisibleMode != sbNeverShowMv; }
    void SetVisible(bool Value) { SetVisibleMode(Value ? sbAutoShowMv : sbNeverShowMv); }
    // An outside bar that replaces the grid's own: its scroll requests reach
    // the grid as the grid's own bar's would, a drag's release as the thumb's
    // final place. One grid per bar; attaching a bar that another grid holds
    // raises "Possible <name> already attached to the other control." and
    // keeps the old bar.
    QScrollBar* ExtScrollBar() const { return FExtScrollBar.data(); }
    void SetExtScrollBar(QScrollBar* Value);
    // Whether the outside horizontal bar runs the other way from the grid's
    // columns. A bar laid out right to left is drawn mirrored (its minimum
    // at the right), so it is mirrored only beside a grid that reads left to
    // right, and one laid out left to right only beside a grid that reads
    // right to left. Its requests and its position are then mirrored.
    bool ExtScrollBarMirrored() const;
    bool IsScrollBarShowing() const;
    void Assign(const TDBGridMvScrollBar& Source);
    // The mode the window's bar was last given (none yet): a new mode is
    // applied even when the bar's range stays.
    std::optional<TScrollBarVisibleModeMv> AppliedVisibleMode;

private:
    void AttachExtScrollBar(QScrollBar* Bar);
    void DetachExtScrollBar();
    // One request of the outside bar (SB_ codes), at its thumb's place.
    void ExtScroll(int Code);

    TCustomDBGridMv* FGrid;
    TScrollBarKind FKind;
    TScrollBarVisibleModeMv FVisibleMode = sbAutoShowMv;
    QPointer<QScrollBar> FExtScrollBar;
    QMetaObject::Connection FExtConnection;
    QMetaObject::Connection FExtReleased;
    QMetaObject::Connection FExtDestroyed;
};

// The grid's vertical bar: the same settings, made by the grid's factory.
class TVertDBGridMvScrollBar : public TDBGridMvScrollBar {
public:
    explicit TVertDBGridMvScrollBar(TCustomDBGridMv* Grid) : TDBGridMvScrollBar(Grid, sbVertical) {}
};

// ================================================================ outside bars and stored layouts

// The outside horizontal bar's parameters: positions 0..127 over the
// scrollable columns (the thumb's far end is 127 whatever the page), the
// page the count of visible ones; max 0 when every column fits. A column's
// position is rounded up, so that the thumb read back gives that column.
TScrollInfo HorzExtScrollInfo(int LeftCol, int FixedCols, int LastLeftCol, int VisibleCols, int ColCount);

// Gives an outside bar a range in the grid's own terms (Max the last
// position plus the page less one, as a window bar's); min never above max.
// Mirrored, the position is counted from the range's other end. A thumb
// the user holds is left where it is.
void ApplyExtScrollInfo(QScrollBar& Bar, const TScrollInfo& Info, bool Mirrored = false);

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
