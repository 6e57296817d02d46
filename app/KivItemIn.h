#pragma once
// The barcode stock-in: the dialog "条码入库" lists the SKUs of every shop's
// latest snapshot. When some SKU carries the scanned barcode already, only
// those are listed, all ticked; otherwise every SKU is listed unticked and
// the user ticks the ones the new barcode belongs to. Confirming books one
// stock-in of the quantity into the current stock period for the ticked
// SKUs, stores the barcode on them and queues an update record for every
// open monitor window. GUI thread only.

#include <QDialog>
#include <QString>

class QAction;
class QLabel;
class QLineEdit;
class QSpinBox;
class QToolBar;
class TClientDataSet;
class TDataSetProvider;
class TDataSet;
class TDataSource;
class TDBGridMv;
class TSQLQuery;

class TFormItemIn : public QDialog {
    Q_OBJECT
public:
    explicit TFormItemIn(QWidget* parent = nullptr);
    ~TFormItemIn() override;

    QToolBar* ToolBarItemIn;
    QLabel* LabelFilter;
    QLineEdit* EditFilter;
    QLabel* LabelBarcode;
    QLineEdit* EditInBarcode;
    QLabel* LabelQty;
    QSpinBox* SpinEditQty;
    QAction* ActionOK;
    QAction* ActionProp;
    QAction* ActionClose;
    QAction* ActionColumn;
    TDBGridMv* DBGridBarcode;
    TSQLQuery* SQLQueryBarcode;
    TDataSetProvider* DataSetProviderBarcode;
    TClientDataSet* ClientDataSetBarcode;
    TDataSource* DataSourceBarcode;

    // The barcode the dialog was opened for.
    const QString& Barcode() const { return FBarcode; }
    void SetBarcode(const QString& barcode) { FBarcode = barcode; }

    // The list statement: the SKUs carrying the barcode, ticked (known), or
    // every SKU, unticked.
    QString BuildSkuListSql(bool known) const;
    // True when a row the list shows (through its filter) is ticked;
    // otherwise the warning, and false.
    bool HasSelectedSku();

    void FormShow();
    // What is wrong with the quantity typed; empty when it can be booked.
    QString QuantityProblem() const;
    // Books the stock-in and closes the dialog; a stock-in that is refused
    // is said, and the dialog stays with the quantity selected.
    void ActionOKExecute();
    void EditFilterChange();

    // Books the confirmed stock-in in one transaction (the stock-in, the
    // barcode on every snapshot of the ticked SKUs, their list rows), then
    // queues the monitor windows' update records. A stock-in that would
    // carry a ticked SKU's stock figures out of their range is not booked:
    // what the user reads of it is returned (empty once booked). A booking
    // that meets another seat's booking of the same SKU is made once more,
    // checked against it. A database error rolls everything back and
    // queues nothing.
    QString BookStockIn();
    // The barcode that the last booking stored.
    const QString& BookedBarcode() const { return FBookedBarcode; }
    // The dialog's result when the database went out of reach on the
    // booking: nothing was booked.
    static constexpr int BookingLost = 2;

    // The close handler: the list's layout is saved.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateToolBar();
    void CreateList();
    void FilterRecord(TDataSet& dataSet, bool& accept) const;
    // Calls visit on every row the list shows (until it returns false), the
    // grid told nothing; the first row is current afterwards.
    template <class Visit>
    void ForEachListedRow(Visit visit);

    void SelectQuantity();

    QString FBarcode;
    QString FBookedBarcode;
};

// The number of SKUs of a latest snapshot that carry the barcode.
int CountBarcode(const QString& barcode);

// Runs the dialog for the barcode. Returns the barcode in the dialog's
// barcode edit when the user confirmed (and the stock-in was booked), an
// empty text when the user left. A database out of reach when the list is
// read is said, and no dialog opens; out of reach on the booking, it is
// said and the dialog comes back. Other database errors reach the caller
// with nothing booked.
QString StockInByBarcode(const QString& barcode);

// The main window's stock-in page runs StockInByBarcode.
void InstallItemInHooks();
