#pragma once
// WinApiMv: the platform calls that the grid library units make, each behind
// one small wrapper with one signature, so that no unit calls the platform in
// more than one way. Apart from the memory stream and two small data helpers,
// each wrapper forwards to exactly one call of our platform layer (canvas,
// control, Qt) and adds no behaviour. Text goes through TCanvas, the one way
// text is drawn.

#include "platform/Canvas.h"
#include "platform/Control.h"
#include "platform/Exceptions.h"
#include "platform/Rect.h"
#include "platform/Variant.h"

#include <QPixmap>
#include <QPoint>
#include <QRegion>
#include <QString>
#include <cstddef>

class QLineEdit;
class QObject;
class TDataSet;

// An object reference as an integer message parameter, unchanged.
qintptr ObjectToIntPtr(const QObject* Obj);

// The dataset's own bookmark order: below 0, 0 or above 0.
int DataSetCompareBookmarks(const TDataSet* DataSet, const QString& Bookmark1, const QString& Bookmark2);
// When the named property of the instance holds an object, that object read
// as a data source gives its dataset; anything else gives none.
TDataSet* GetDataSourcePropDataSet(const QObject* Instance, const char* PropName);

// Text. Len is the number of characters to use; -1 takes the whole text.
int DrawTextMv(TCanvas& Canvas, const QString& Text, int Len, TRect& Rect, unsigned Format);
// With a copy of the margins record; its uiLengthDrawn is not written back.
int DrawTextExMv(TCanvas& Canvas, const QString& Text, int Len, TRect& Rect, unsigned Format,
                 const TDrawTextParams* Params);
constexpr unsigned ETO_OPAQUE = 0x2;
constexpr unsigned ETO_CLIPPED = 0x4;
// Text at (X, Y); ETO_OPAQUE fills Rect with the brush first, ETO_CLIPPED
// keeps the text inside Rect.
bool ExtTextOutMv(TCanvas& Canvas, int X, int Y, unsigned Options, const TRect* Rect, const QString& Text, int Len);

struct TOutlineTextMetric {
    TTextMetric otmTextMetrics;
    int otmAscent = 0;
    int otmDescent = 0;
    int otmEMSquare = 0;
};
bool GetOutlineTextMetricsMv(TCanvas& Canvas, TOutlineTextMetric& Metric);

// Synchronous requests to a control whose parameter is the address of a
// record or of a text.
template <class TRecord>
qintptr SendStructMessage(TCustomControl* Handle, quint32 Msg, qintptr WParam, TRecord& Record)
{
    return Handle ? Handle->Perform(Msg, WParam, reinterpret_cast<qintptr>(&Record)) : 0;
}
qintptr SendTextMessage(TCustomControl* Handle, quint32 Msg, qintptr WParam, const QString& Text);

// System parameters: the work area (a TRect) and the wheel's scroll lines.
constexpr unsigned SPI_GETWORKAREA = 0x0030;
constexpr unsigned SPI_GETWHEELSCROLLLINES = 0x0068;
bool SystemParametersInfoMv(unsigned Action, unsigned Param, void* Data, unsigned WinIni);

// Repainting and scrolling of a control's client area. Rect null means the
// whole client.
bool InvalidateRectMv(TCustomControl* Handle, const TRect* Rect, bool Erase);
bool ValidateRectMv(TCustomControl* Handle, const TRect* Rect);
int ScrollWindowExMv(TCustomControl* Handle, int DX, int DY, const TRect* ScrollRect, const TRect* ClipRect,
                     QRegion* UpdateRegion, unsigned Flags);
bool ScrollWindowMv(TCustomControl* Handle, int DX, int DY, const TRect* ScrollRect, const TRect* ClipRect);

// A message as a four-field record.
struct TMessageMv {
    quint32 Msg = 0;
    qintptr WParam = 0;
    qintptr LParam = 0;
    qintptr Result = 0;
};
void MessageToTMessage(const TMessageMv& Source, TMessageMv& Message);
void MessageToTMessageMv(const TMessageMv& Source, TMessageMv& Message);

struct TSmallPoint {
    qint16 x = 0;
    qint16 y = 0;
};
// X in the low 16 bits, Y in the high 16 bits.
qint32 SmallPointToInteger(TSmallPoint P);

// Logical to device coordinates on the rect's two corners.
void LPtoDPRect(TCanvas& Canvas, TRect& Rect);

constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;
QRegion CreatePolygonRgnMv(const QPoint* Points, int Count, int FillMode);

// The selection of a line edit (the caret twice when nothing is selected).
void SendGetSelMessage(const QLineEdit* Handle, int& SelStart, int& SelEnd);

// Locale-aware case conversion and comparison.
QString AnsiUpperCaseMv(const QString& S);
QString AnsiLowerCaseMv(const QString& S);
int AnsiCompareStrMv(const QString& S1, const QString& S2);
int AnsiCompareTextMv(const QString& S1, const QString& S2);

// Bitmaps from the program's resources (":/" + name, with or without a
// ".bmp" or ".png" suffix).
bool BitmapLoadFromResourceNameMv(QPixmap& Bitmap, const QString& ResName);
QPixmap LoadBitmapMv(const QString& Name);

// Resizes an array value to HighBound + 1 elements, keeping the first ones.
void VarArrayRedimMv(Variant& A, int HighBound);

inline constexpr TRect EmptyRectMv = TRect();
// Does nothing; the dataset grid's paint handler calls it.
void EmptyPaintHook();

// A failure of a stream.
class EStreamErrorMv : public Exception {
public:
    using Exception::Exception;
};

// A memory stream that grows in steps: its capacity is always rounded up to a
// multiple of twice the growth step (8192 bytes by default), so that writing
// byte by byte does not reallocate each time.
class TMemoryStreamMv {
public:
    TMemoryStreamMv();
    virtual ~TMemoryStreamMv();
    TMemoryStreamMv(const TMemoryStreamMv&) = delete;
    TMemoryStreamMv& operator=(const TMemoryStreamMv&) = delete;

    enum TSeekOrigin { soBeginning, soCurrent, soEnd };

    qint64 Read(void* Buffer, qint64 Count);
    qint64 Write(const void* Buffer, qint64 Count);
    qint64 Seek(qint64 Offset, TSeekOrigin Origin);
    qint64 Position() const { return FPosition; }
    void SetPosition(qint64 Value) { Seek(Value, soBeginning); }
    qint64 Size() const { return FSize; }
    void SetSize(qint64 NewSize);
    qint64 Capacity() const { return FCapacity; }
    void SetCapacity(qint64 NewCapacity);
    const char* Memory() const { return FMemory; }
    void Clear();
    QByteArray ToByteArray() const;

    int GrowthStep() const { return FGrowthStep; }
    void SetGrowthStep(int Value) { FGrowthStep = Value > 0 ? Value : 4096; }

protected:
    // The block for NewCapacity, which may be rounded up (and is written back).
    virtual char* Realloc(qint64& NewCapacity);

private:
    char* FMemory = nullptr;
    qint64 FSize = 0;
    qint64 FPosition = 0;
    qint64 FCapacity = 0;
    int FGrowthStep = 4096;
};
