#include "app/KivBarcode.h"

#include "client/KivColumns.h"
#include "platform/Dialogs.h"

#include <QLineEdit>
#include <QValidator>
#include <algorithm>

namespace {

const QString Caption = QStringLiteral("[条形码]");

// A line end, a tab or another character that is no part of any text on a line.
bool IsControl(QChar c)
{
    const QChar::Category category = c.category();
    return category == QChar::Other_Control || category == QChar::Separator_Line || category == QChar::Separator_Paragraph;
}

bool IsAround(QChar c)
{
    return c.isSpace() || IsControl(c);
}

// Takes a text of at most Limit characters, as the column counts them.
class TBarcodeValidator : public QValidator {
public:
    TBarcodeValidator(int limit, QObject* parent) : QValidator(parent), Limit(limit) {}

    State validate(QString& input, int&) const override
    {
        return CharacterCount(CleanBarcode(input)) <= Limit ? Acceptable : Invalid;
    }

    const int Limit;
};

// The refusal not told yet; the message comes once the event that was
// refused is over, a burst of refused keys (a scanner's) giving one.
class TBarcodeGuard : public QObject {
public:
    TBarcodeGuard(QLineEdit& edit, int limit) : QObject(&edit), FEdit(edit), FLimit(limit)
    {
        edit.setValidator(new TBarcodeValidator(limit, this));
        QObject::connect(&edit, &QLineEdit::inputRejected, this, [this] { Refused(); });
    }

    bool Tell()
    {
        if (!FPending)
            return false;
        FPending = false;
        // A text set from outside is kept as it is (only what is typed,
        // pasted or dropped is refused): it is refused where it is used.
        if (CharacterCount(CleanBarcode(FEdit.text())) > FLimit)
            return false;
        ShowError(Caption + QStringLiteral("最多只能有") + QString::number(FLimit) + QStringLiteral("个字符，超出的输入没有被接受，请检查条形码！"));
        FEdit.setFocus();
        return true;
    }

private:
    void Refused()
    {
        if (FPending)
            return;
        FPending = true;
        QMetaObject::invokeMethod(this, [this] { Tell(); }, Qt::QueuedConnection);
    }

    QLineEdit& FEdit;
    const int FLimit;
    bool FPending = false;
};

} // namespace

int BarcodeMaxLength()
{
    return TextColumnLength(QStringLiteral("KivItem"), QStringLiteral("Barcode"));
}

QString CleanBarcode(const QString& barcode)
{
    qsizetype start = 0;
    qsizetype end = barcode.size();
    while (start < end && IsAround(barcode[start]))
        ++start;
    while (end > start && IsAround(barcode[end - 1]))
        --end;
    return barcode.mid(start, end - start);
}

QString TakeBarcode(QLineEdit& edit)
{
    const QString barcode = CleanBarcode(edit.text());
    if (barcode != edit.text())
        edit.setText(barcode);
    return barcode;
}

QString BarcodeProblem(const QString& barcode)
{
    if (std::any_of(barcode.begin(), barcode.end(), IsControl))
        return Caption + QStringLiteral("中间有控制字符（如换行符、制表符），不能入库，请重新扫描或输入！");
    const int limit = BarcodeMaxLength();
    const int length = CharacterCount(barcode);
    if (limit <= 0 || length <= limit)
        return QString();
    return Caption + QStringLiteral("最多只能有") + QString::number(limit) + QStringLiteral("个字符，这个条形码有") + QString::number(length)
           + QStringLiteral("个字符，请重新输入！");
}

void LimitBarcodeEdit(QLineEdit& edit)
{
    if (const int limit = BarcodeMaxLength(); limit > 0)
        new TBarcodeGuard(edit, limit);
}

bool TellBarcodeRefusal(QLineEdit& edit)
{
    for (QObject* child : edit.children())
        if (auto* guard = dynamic_cast<TBarcodeGuard*>(child))
            return guard->Tell();
    return false;
}
