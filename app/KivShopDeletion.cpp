#include "app/KivShopDeletion.h"

#include "app/KivItems.h"
#include "client/KivDataM.h"
#include "platform/Dialogs.h"
#include "platform/SqlText.h"
#include "platform/db/DataSet.h"

#include <QApplication>

namespace {

// A shop the database still holds and the edited rows no longer do (deleted,
// or its code changed) goes when the changes are saved.
bool SavingDeletes(TDataSet& shops, const QString& code)
{
    const QString codeField = QStringLiteral("Code");
    return shops.Lookup(codeField, Variant(code), codeField).IsNull()
           && !IsEmptyResult(QStringLiteral("select 1 from \"SYS_Shop\" where \"Code\" = ") + QuotedStr(code));
}

} // namespace

bool RefuseDeletingOpenShops(TDataSet& shops)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const auto* form = qobject_cast<const TFormItems*>(window);
        if (!form || !form->isVisible() || !form->Shop() || !SavingDeletes(shops, form->Shop()->Code))
            continue;
        const TTreeNodeShop& shop = *form->Shop();
        ShowWarning(QStringLiteral("店铺[%1]的%2窗口还开着,请先关闭该窗口,再删除店铺!")
                        .arg(shop.Name.isEmpty() ? shop.Code : shop.Name,
                             form->MonitorMode() ? QStringLiteral("监控数据") : QStringLiteral("同步数据")));
        return true;
    }
    return false;
}
