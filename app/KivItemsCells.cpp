// The items window's figures as they change in place: the marked cell and
// the red rows of low balances, the balance and the quantity to order kept
// true to their definitions, and the alert sounds of watched fields.

#include "app/KivItems.h"

#include "app/KivMsgQueue.h"
#include "client/KivDataM.h"
#include "client/KivPlayWave.h"
#include "client/KivValueCheck.h"
#include "grid/DBGridMv.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/SqlQuery.h"

#include <cstdlib>

namespace {

const QString QtyBalance = QStringLiteral("QtyBalance");

// Sets the field to the value unless it holds it already (each assignment
// is a change that may play a sound).
void SetFigure(TField* field, qint64 value)
{
    if (field && (field->IsNull() || field->AsLargeInt() != value))
        WithWritableField(*field, [value](TField& f) { f.SetAsLargeInt(value); });
}

} // namespace

bool TFormItems::IsLocatedCell(const TField& field) const
{
    const Variant located = ClientDataSetItems->GetOptionalParam(QStringLiteral("SYS_LocateFieldName"));
    if (located.IsClear() || located.AsString().compare(field.FieldName(), Qt::CaseInsensitive) != 0)
        return false;
    // The update record's keys as the consumer stored them: the values they
    // stand for, whether a producer sent them quoted or bare.
    for (const QString& key : {QStringLiteral("SkuID"), QStringLiteral("NumIID")}) {
        const TField* rowValue = ClientDataSetItems->FindField(key);
        const Variant stored = ClientDataSetItems->GetOptionalParam(key);
        if (!rowValue || stored.IsClear() || stored.AsString() != rowValue->AsString())
            return false;
    }
    return true;
}

void TFormItems::DBGridItemsDrawDataCell(const TRect& rect, int dataCol, TColumnMv* column)
{
    TField* field = column ? column->Field() : nullptr;
    if (!field)
        return;
    TCanvas& canvas = DBGridItems->Canvas();
    bool marked = false;
    if (IsLocatedCell(*field)) {
        canvas.Brush.Color = clYellow;
        canvas.Font.Color = clRed;
        marked = true;
    }
    const TField* balance = ClientDataSetItems->FindField(QtyBalance);
    if (balance && !balance->IsNull()) {
        const qint64 value = balance->AsLargeInt();
        if (value <= LowStock() && value > 0) {
            canvas.Font.Color = clRed;
            marked = true;
        }
    }
    if (marked)
        DBGridItems->DefaultDrawColumnCell(rect, dataCol, column, TGridDrawState());
}

void TFormItems::RecomputeBalance()
{
    const TField* stock = ClientDataSetItems->FindField(QStringLiteral("QtyStock"));
    const TField* pay = ClientDataSetItems->FindField(QStringLiteral("QtyPay"));
    if (!stock || !pay)
        return;
    const qint64 balance = stock->AsLargeInt() - pay->AsLargeInt();
    SetFigure(ClientDataSetItems->FindField(QtyBalance), balance);
    SetFigure(ClientDataSetItems->FindField(QStringLiteral("QtyOrder")), std::llabs(balance - LowStock()));
}

void TFormItems::HangSound(TField& field, const QByteArray& sound)
{
    if (field.OnChange || sound.isEmpty())
        return;
    field.UserData = sound;
    field.OnChange = [this](TField& changed) { PlayFieldSound(changed); };
}

void TFormItems::AttachSounds()
{
    if (FRuleQuery && FRuleQuery->Active()) {
        for (FRuleQuery->First(); !FRuleQuery->Eof(); FRuleQuery->Next()) {
            const TField* update = FRuleQuery->FieldByName(QStringLiteral("UpdateField"));
            const TField* sound = FRuleQuery->FieldByName(QStringLiteral("Sound"));
            // A rule that cannot be applied plays nothing either.
            if (update->IsNull() || sound->IsNull() || !RuleFieldsProblem(RuleFieldsOf(*FRuleQuery)).isEmpty())
                continue;
            QString name = update->AsString().trimmed();
            if (name.startsWith(u'+') || name.startsWith(u'-'))
                name.remove(0, 1);
            if (TField* field = ClientDataSetItems->FindField(name))
                HangSound(*field, sound->AsBytes());
        }
    }
    const auto settingsSound = [this](const QString& name, void (*load)(QByteArray&)) {
        TField* field = ClientDataSetItems->FindField(name);
        if (!field || field->OnChange)
            return;
        QByteArray sound;
        load(sound);
        HangSound(*field, sound);
    };
    settingsSound(QStringLiteral("QtyStock"), LoadStockSound);
    settingsSound(QtyBalance, LoadBalanceSound);
}

void TFormItems::PlayFieldSound(TField& field)
{
    if (FSounded.count(&field))
        return;
    if (field.FieldName().compare(QtyBalance, Qt::CaseInsensitive) == 0) {
        // The balance sounds only for a low balance or a shortage.
        const qint64 balance = field.AsLargeInt();
        if (balance > LowStock() || balance == 0)
            return;
    }
    FSounded.insert(&field);
    PlaySound(field.UserData.toByteArray());
}

void TFormItems::DetachSounds()
{
    for (int i = 0; i < ClientDataSetItems->Fields().Count(); ++i) {
        TField* field = ClientDataSetItems->Fields()[i];
        if (field->UserData.isValid()) {
            field->UserData = QVariant();
            field->OnChange = nullptr;
        }
    }
}
