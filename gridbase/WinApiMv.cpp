#include "gridbase/WinApiMv.h"

#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"

#include <QMetaProperty>

#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPolygon>
#include <QScreen>
#include <QTransform>
#include <cstdlib>
#include <cstring>

namespace {

QString Part(const QString& text, int len)
{
    return len < 0 ? text : text.left(len);
}

TRect ClientOr(TCustomControl* handle, const TRect* rect)
{
    return rect ? *rect : handle->ClientRect();
}

} // namespace

qintptr ObjectToIntPtr(const QObject* Obj)
{
    return reinterpret_cast<qintptr>(Obj);
}

int DataSetCompareBookmarks(const TDataSet* DataSet, const QString& Bookmark1, const QString& Bookmark2)
{
    return DataSet->CompareBookmarks(Bookmark1, Bookmark2);
}

TDataSet* GetDataSourcePropDataSet(const QObject* Instance, const char* PropName)
{
    if (!Instance || !PropName)
        return nullptr;
    const QMetaObject* meta = Instance->metaObject();
    const int index = meta->indexOfProperty(PropName);
    if (index < 0 || !(meta->property(index).metaType().flags() & QMetaType::PointerToQObject))
        return nullptr;
    const auto* source = qobject_cast<const TDataSource*>(meta->property(index).read(Instance).value<QObject*>());
    return source ? source->DataSet() : nullptr;
}

int DrawTextMv(TCanvas& Canvas, const QString& Text, int Len, TRect& Rect, unsigned Format)
{
    return Canvas.DrawText(Part(Text, Len), Rect, Format);
}

int DrawTextExMv(TCanvas& Canvas, const QString& Text, int Len, TRect& Rect, unsigned Format,
                 const TDrawTextParams* Params)
{
    if (!Params)
        return Canvas.DrawTextEx(Part(Text, Len), Rect, Format, nullptr);
    TDrawTextParams copy = *Params;
    return Canvas.DrawTextEx(Part(Text, Len), Rect, Format, &copy);
}

bool ExtTextOutMv(TCanvas& Canvas, int X, int Y, unsigned Options, const TRect* Rect, const QString& Text, int Len)
{
    if ((Options & ETO_OPAQUE) && Rect && (Options & ETO_CLIPPED)) {
        Canvas.TextRect(*Rect, X, Y, Part(Text, Len));
        return true;
    }
    if ((Options & ETO_OPAQUE) && Rect)
        Canvas.FillRect(*Rect);
    const TBrushStyle style = Canvas.Brush.Style;
    if (Options & ETO_OPAQUE)
        Canvas.Brush.Style = bsClear;
    if ((Options & ETO_CLIPPED) && Rect) {
        Canvas.Brush.Style = bsClear;
        Canvas.TextRect(*Rect, X, Y, Part(Text, Len));
    } else {
        Canvas.TextOut(X, Y, Part(Text, Len));
    }
    Canvas.Brush.Style = style;
    return true;
}

bool GetOutlineTextMetricsMv(TCanvas& Canvas, TOutlineTextMetric& Metric)
{
    Metric.otmTextMetrics = Canvas.TextMetrics();
    Metric.otmAscent = Metric.otmTextMetrics.tmAscent;
    Metric.otmDescent = Metric.otmTextMetrics.tmDescent;
    Metric.otmEMSquare = Metric.otmTextMetrics.tmHeight - Metric.otmTextMetrics.tmInternalLeading;
    return true;
}

qintptr SendTextMessage(TCustomControl* Handle, quint32 Msg, qintptr WParam, const QString& Text)
{
    return Handle ? Handle->Perform(Msg, WParam, reinterpret_cast<qintptr>(&Text)) : 0;
}

bool SystemParametersInfoMv(unsigned Action, unsigned, void* Data, unsigned)
{
    if (!Data)
        return false;
    switch (Action) {
    case SPI_GETWORKAREA: {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return false;
        *static_cast<TRect*>(Data) = TRect::FromQRect(screen->availableGeometry());
        return true;
    }
    case SPI_GETWHEELSCROLLLINES: *static_cast<unsigned*>(Data) = 3; return true;
    default: return false;
    }
}

bool InvalidateRectMv(TCustomControl* Handle, const TRect* Rect, bool)
{
    if (!Handle)
        return false;
    Handle->InvalidateRect(ClientOr(Handle, Rect));
    return true;
}

bool ValidateRectMv(TCustomControl* Handle, const TRect* Rect)
{
    if (!Handle)
        return false;
    Handle->ValidateRect(ClientOr(Handle, Rect));
    return true;
}

int ScrollWindowExMv(TCustomControl* Handle, int DX, int DY, const TRect* ScrollRect, const TRect* ClipRect,
                     QRegion* UpdateRegion, unsigned)
{
    if (!Handle)
        return 0;
    TRect area = ClientOr(Handle, ScrollRect);
    if (ClipRect)
        area = IntersectRect(area, *ClipRect);
    Handle->ScrollClient(DX, DY, area);
    if (UpdateRegion)
        *UpdateRegion = QRegion(area.ToQRect()) - QRegion(area.Offset(DX, DY).ToQRect());
    return 1;
}

bool ScrollWindowMv(TCustomControl* Handle, int DX, int DY, const TRect* ScrollRect, const TRect* ClipRect)
{
    return ScrollWindowExMv(Handle, DX, DY, ScrollRect, ClipRect, nullptr, 0) != 0;
}

void MessageToTMessage(const TMessageMv& Source, TMessageMv& Message)
{
    Message = Source;
}

void MessageToTMessageMv(const TMessageMv& Source, TMessageMv& Message)
{
    Message = Source;
}

qint32 SmallPointToInteger(TSmallPoint P)
{
    return qint32((quint32(quint16(P.y)) << 16) | quint16(P.x));
}

void LPtoDPRect(TCanvas& Canvas, TRect& Rect)
{
    const QPainter* painter = Canvas.Painter();
    if (!painter)
        return;
    const QTransform t = painter->worldTransform();
    const QPoint a = t.map(QPoint(Rect.Left, Rect.Top));
    const QPoint b = t.map(QPoint(Rect.Right, Rect.Bottom));
    Rect = TRect(a.x(), a.y(), b.x(), b.y());
}

QRegion CreatePolygonRgnMv(const QPoint* Points, int Count, int FillMode)
{
    QPolygon polygon;
    for (int i = 0; i < Count; ++i)
        polygon.append(Points[i]);
    return QRegion(polygon, FillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
}

void SendGetSelMessage(const QLineEdit* Handle, int& SelStart, int& SelEnd)
{
    if (!Handle) {
        SelStart = SelEnd = 0;
        return;
    }
    if (Handle->hasSelectedText()) {
        SelStart = Handle->selectionStart();
        SelEnd = Handle->selectionEnd();
    } else {
        SelStart = SelEnd = Handle->cursorPosition();
    }
}

QString AnsiUpperCaseMv(const QString& S)
{
    return QLocale().toUpper(S);
}

QString AnsiLowerCaseMv(const QString& S)
{
    return QLocale().toLower(S);
}

int AnsiCompareStrMv(const QString& S1, const QString& S2)
{
    return QString::localeAwareCompare(S1, S2);
}

int AnsiCompareTextMv(const QString& S1, const QString& S2)
{
    return QString::localeAwareCompare(QLocale().toLower(S1), QLocale().toLower(S2));
}

bool BitmapLoadFromResourceNameMv(QPixmap& Bitmap, const QString& ResName)
{
    const QString base = QStringLiteral(":/") + ResName;
    for (const QString& path : {base, base + QStringLiteral(".bmp"), base + QStringLiteral(".png")}) {
        if (Bitmap.load(path))
            return true;
    }
    return false;
}

QPixmap LoadBitmapMv(const QString& Name)
{
    QPixmap bitmap;
    BitmapLoadFromResourceNameMv(bitmap, Name);
    return bitmap;
}

void VarArrayRedimMv(Variant& A, int HighBound)
{
    std::vector<Variant> elements = A.IsArray() ? A.Elements() : std::vector<Variant>();
    elements.resize(size_t(std::max(0, HighBound + 1)));
    A = Variant(std::move(elements));
}

void EmptyPaintHook()
{
}

// ---------------------------------------------------------------- memory stream

TMemoryStreamMv::TMemoryStreamMv() = default;

TMemoryStreamMv::~TMemoryStreamMv()
{
    std::free(FMemory);
}

char* TMemoryStreamMv::Realloc(qint64& NewCapacity)
{
    const qint64 step2 = 2 * qint64(FGrowthStep);
    if (NewCapacity > 0 && NewCapacity != FSize)
        NewCapacity = (NewCapacity + step2 - 1) & ~(step2 - 1);
    if (NewCapacity == FCapacity)
        return FMemory;
    if (NewCapacity == 0) {
        std::free(FMemory);
        return nullptr;
    }
    void* block = std::realloc(FMemory, size_t(NewCapacity));
    if (!block)
        throw EStreamErrorMv(QStringLiteral("Out of memory while expanding memory stream"));
    return static_cast<char*>(block);
}

void TMemoryStreamMv::SetCapacity(qint64 NewCapacity)
{
    if (NewCapacity < 0)
        NewCapacity = 0;
    FMemory = Realloc(NewCapacity);
    FCapacity = NewCapacity;
    if (FSize > FCapacity)
        FSize = FCapacity;
    if (FPosition > FSize)
        FPosition = FSize;
}

void TMemoryStreamMv::SetSize(qint64 NewSize)
{
    if (NewSize < 0)
        NewSize = 0;
    const qint64 oldPosition = FPosition;
    SetCapacity(NewSize);
    FSize = NewSize;
    FPosition = oldPosition > NewSize ? NewSize : oldPosition;
}

void TMemoryStreamMv::Clear()
{
    SetCapacity(0);
    FSize = 0;
    FPosition = 0;
}

qint64 TMemoryStreamMv::Read(void* Buffer, qint64 Count)
{
    if (Count <= 0 || FPosition >= FSize)
        return 0;
    const qint64 n = std::min(Count, FSize - FPosition);
    std::memcpy(Buffer, FMemory + FPosition, size_t(n));
    FPosition += n;
    return n;
}

qint64 TMemoryStreamMv::Write(const void* Buffer, qint64 Count)
{
    if (Count <= 0)
        return 0;
    const qint64 end = FPosition + Count;
    if (end > FSize) {
        if (end > FCapacity)
            SetCapacity(end);
        FSize = end;
    }
    std::memcpy(FMemory + FPosition, Buffer, size_t(Count));
    FPosition = end;
    return Count;
}

qint64 TMemoryStreamMv::Seek(qint64 Offset, TSeekOrigin Origin)
{
    switch (Origin) {
    case soBeginning: FPosition = Offset; break;
    case soCurrent: FPosition += Offset; break;
    case soEnd: FPosition = FSize + Offset; break;
    }
    if (FPosition < 0)
        FPosition = 0;
    return FPosition;
}

QByteArray TMemoryStreamMv::ToByteArray() const
{
    return QByteArray(FMemory, FSize);
}
