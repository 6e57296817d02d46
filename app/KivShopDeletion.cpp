#include "app/KivShopDeletion.h"

#include "app/KivItems.h"
#include "client/KivDataM.h"
#include "platform/Dialogs.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/DataSetProvider.h"

#include <QApplication>
#include <algorithm>

namespace {

// The move of the stored code, when the pending changes delete the shop
// (To empty) or change its code.
const TKeyMove* MoveOf(const std::vector<TKeyMove>& moves, const QString& code)
{
    const auto move = std::find_if(moves.begin(), moves.end(),
                                   [&](const TKeyMove& m) { return !m.From.empty() && m.From.front().AsString() == code; });
    return move == moves.end() ? nullptr : &*move;
}

} // namespace

bool RefuseDeletingOpenShops(TClientDataSet& shops)
{
    const std::vector<TKeyMove> moves = shops.Provider()->KeyMoves(shops);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const auto* form = qobject_cast<const TFormItems*>(window);
        const TKeyMove* move = form && form->isVisible() && form->Shop() ? MoveOf(moves, form->Shop()->Code) : nullptr;
        if (!move)
            continue;
        const TTreeNodeShop& shop = *form->Shop();
        ShowWarning(QStringLiteral("店铺[%1]的%2窗口还开着,请先关闭该窗口,再%3!")
                        .arg(shop.Name.isEmpty() ? shop.Code : shop.Name,
                             form->MonitorMode() ? QStringLiteral("监控数据") : QStringLiteral("同步数据"),
                             move->To.empty() ? QStringLiteral("删除店铺") : QStringLiteral("修改店铺代码")));
        return true;
    }
    return false;
}
