// The date drop-down.

#include "gridbase/ToolCtrlsMv.h"

#include "gridbase/ToolCtrlsMvWatch.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QWheelEvent>

TPopupMonthCalendarMv::TPopupMonthCalendarMv(QWidget* Owner) : QCalendarWidget(Owner), FOwner(Owner)
{
    SetDropDownWindowFlags(this, true);
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setContentsMargins(BorderWidth(), BorderWidth(), BorderWidth(), BorderWidth());
    FWatch = new TDropDownWatchMv(this, [this] { PostCancel(); });
    // The parts get the keys, the wheel and the focus; the calendar hears
    // of them first.
    const QList<QWidget*> parts = findChildren<QWidget*>();
    for (QWidget* part : parts)
        part->installEventFilter(this);
    // A click on a day (also one of the neighbouring months) accepts; the
    // header, the month buttons and the title never report a click (the
    // month's name is heard in the event filter).
    connect(this, &QCalendarWidget::clicked, this, [this](QDate) { CloseUp(true); });
    hide();
    AutoSize();
}

TPopupMonthCalendarMv::~TPopupMonthCalendarMv()
{
    FWatch->SetWatching(false);
}

void TPopupMonthCalendarMv::SetCtl3D(bool Value)
{
    if (FCtl3D == Value)
        return;
    FCtl3D = Value;
    setContentsMargins(BorderWidth(), BorderWidth(), BorderWidth(), BorderWidth());
    AutoSize();
    update();
}

bool TPopupMonthCalendarMv::SetDate(const QDate& Value)
{
    if (Value.isValid())
        setSelectedDate(std::clamp(Value, minimumDate(), maximumDate()));
    return true;
}

QSize TPopupMonthCalendarMv::MinReqRect() const
{
    const QMargins margins = contentsMargins();
    return minimumSizeHint().shrunkBy(margins);
}

void TPopupMonthCalendarMv::AutoSize()
{
    resize(MinReqRect() + QSize(2 * BorderWidth(), 2 * BorderWidth()));
}

void TPopupMonthCalendarMv::CloseUp(bool Accept)
{
    if (IDropDownOwnerMv* owner = DropDownOwnerOf(FOwner.data()))
        owner->CloseUp(Accept);
}

void TPopupMonthCalendarMv::PostCancel()
{
    if (FCancelPending)
        return;
    FCancelPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!FCancelPending)
                return;
            FCancelPending = false;
            if (isVisible())
                CloseUp(false);
        },
        Qt::QueuedConnection);
}

bool TPopupMonthCalendarMv::HandleKey(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: CloseUp(true); return true;
    case Qt::Key_Escape: CloseUp(false); return true;
    default: return false;
    }
}

bool TPopupMonthCalendarMv::HandleWheel(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta != 0)
        SetDate(selectedDate().addDays(delta < 0 ? 1 : -1));
    return true;
}

bool TPopupMonthCalendarMv::IsMonthTitle(QObject* watched)
{
    return watched->isWidgetType() && watched->objectName() == u"qt_calendar_monthbutton";
}

bool TPopupMonthCalendarMv::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (HandleKey(static_cast<QKeyEvent*>(event)))
            return true;
        break;
    case QEvent::Wheel:
        if (qobject_cast<QAbstractItemView*>(watched) || qobject_cast<QAbstractItemView*>(watched->parent()))
            return HandleWheel(static_cast<QWheelEvent*>(event));
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // The month's name is no menu here: its release takes the date.
        if (IsMonthTitle(watched) && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            return true;
        break;
    case QEvent::MouseButtonRelease:
        // A release on the month's name closes accepting, as one on a day
        // does; the year, the month buttons and the day names keep the
        // calendar open.
        if (auto* mouse = static_cast<QMouseEvent*>(event);
            IsMonthTitle(watched) && mouse->button() == Qt::LeftButton
            && static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint())) {
            CloseUp(true);
            return true;
        }
        break;
    case QEvent::FocusOut:
        // Losing the focus to a window that is not ours closes us.
        if (isVisible() && !WidgetWithin(QApplication::focusWidget(), this))
            PostCancel();
        break;
    default: break;
    }
    return QCalendarWidget::eventFilter(watched, event);
}

void TPopupMonthCalendarMv::keyPressEvent(QKeyEvent* event)
{
    if (HandleKey(event))
        return;
    // Keys an owner passes on go to the day table; a key that the table
    // leaves comes back here and goes no further.
    auto* view = findChild<QAbstractItemView*>();
    if (!view || FForwarding) {
        QCalendarWidget::keyPressEvent(event);
        return;
    }
    FForwarding = true;
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text());
    QCoreApplication::sendEvent(view, &copy);
    FForwarding = false;
    event->setAccepted(copy.isAccepted());
}

void TPopupMonthCalendarMv::paintEvent(QPaintEvent* event)
{
    QCalendarWidget::paintEvent(event);
    TCanvas canvas;
    canvas.Begin(this, event->region(), palette());
    TRect r(0, 0, width(), height());
    if (FCtl3D) {
        canvas.DrawEdge(r, BDR_RAISEDOUTER, BF_RECT);
        r = r.Inflate(-1, -1);
        canvas.DrawEdge(r, BDR_RAISEDINNER, BF_RECT);
    } else {
        canvas.Brush = TBrush{clWindowFrame, bsSolid};
        canvas.FrameRect(r);
    }
    canvas.End();
}

void TPopupMonthCalendarMv::showEvent(QShowEvent* event)
{
    QCalendarWidget::showEvent(event);
    FWatch->SetWatching(true);
}

void TPopupMonthCalendarMv::hideEvent(QHideEvent* event)
{
    QCalendarWidget::hideEvent(event);
    FWatch->SetWatching(false);
    FCancelPending = false;
}
