#include "app/KivShopGone.h"

#include "app/KivItems.h"
#include "client/KivDataM.h"
#include "client/KivEvents.h"
#include "platform/Exceptions.h"
#include "platform/SqlText.h"
#include "platform/db/ClientDataSet.h"

namespace {

// The monitor of a shop that is gone stops; once, while it monitors.
void StopGoneShopsMonitor(TFormItems& form)
{
    const TTreeNodeShop* shop = form.Shop();
    if (!form.Monitoring() || !shop)
        return;
    const QString name = shop->Name.isEmpty() ? shop->Code : shop->Name;
    LogLine(form.lbMonitor,
            QStringLiteral("店铺[%1](代码%2)已被删除或已改了店铺代码，监控已停止，不再保存该店铺的交易").arg(name, shop->Code));
    form.StopMonitoring();
}

} // namespace

bool ShopGone(const QString& code)
{
    try {
        return IsEmptyResult(QStringLiteral("select 1 from \"SYS_Shop\" where \"Code\" = ") + QuotedStr(code));
    } catch (const EDatabaseError&) {
        return false;
    }
}

bool StopMonitorOfGoneShop(TFormItems& form)
{
    if (!form.Shop() || !ShopGone(form.Shop()->Code))
        return false;
    StopGoneShopsMonitor(form);
    return true;
}

void StopMonitorOfLine(const TMsgRec& record)
{
    // The line's dataset is its monitor window's.
    if (auto* form = record.DataSet ? qobject_cast<TFormItems*>(record.DataSet->parent()) : nullptr)
        StopGoneShopsMonitor(*form);
}
