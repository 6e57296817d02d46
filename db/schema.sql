/* Tables and generators of Morvane. Character set UTF8 (set when the
   database is created). Identifiers are quoted and mixed-case, as every
   statement of the program writes them. Platform ids are BIGINT; time stamps
   that statements compare as text are text "yyyy-mm-dd hh:nn:ss". */

SET SQL DIALECT 3;

/* Settings: code 0..13, text values and the two alert sounds. */
CREATE TABLE "SYS_Params" (
  "Code"      INTEGER NOT NULL PRIMARY KEY,
  "Value"     VARCHAR(1000),
  "BlobValue" BLOB SUB_TYPE BINARY
);

/* Users; "Password" holds the hash of code and password, empty for none. */
CREATE TABLE "SYS_User" (
  "Code"     VARCHAR(50) NOT NULL PRIMARY KEY,
  "Password" VARCHAR(64)
);

/* Shops with their platform credentials and the time of their last sync. */
CREATE TABLE "SYS_Shop" (
  "Code"        VARCHAR(50) NOT NULL PRIMARY KEY,
  "Name"        VARCHAR(200),
  "AppKey"      VARCHAR(100),
  "AppSecret"   VARCHAR(200),
  "Session"     VARCHAR(500),
  "AutoMonitor" INTEGER,
  "SyncDate"    VARCHAR(32)
);

/* Which shops a user works with, and the user's name in each shop. */
CREATE TABLE "SYS_UserShop" (
  "UserCode"     VARCHAR(50) NOT NULL,
  "ShopCode"     VARCHAR(50) NOT NULL,
  "ShopUserCode" VARCHAR(100),
  PRIMARY KEY ("UserCode", "ShopCode")
);

/* Grid layouts: one row per field of a window or table key. */
CREATE TABLE "SYS_Fields" (
  "Code"      VARCHAR(50) NOT NULL,
  "FieldName" VARCHAR(63) NOT NULL,
  "UserCode"  VARCHAR(50) NOT NULL,
  "ShopCode"  VARCHAR(50) NOT NULL,
  "Caption"   VARCHAR(100),
  "Width"     INTEGER,
  "Index"     INTEGER,
  "Visible"   INTEGER DEFAULT 1,
  "ReadOnly"  INTEGER DEFAULT 0,
  "Total"     INTEGER DEFAULT 0,
  "Boolean"   INTEGER DEFAULT 0,
  "BinType"   VARCHAR(10) DEFAULT '',
  PRIMARY KEY ("Code", "FieldName", "UserCode", "ShopCode")
);

/* Monitor rules: which notification changes which stock figures. */
CREATE TABLE "SYS_Monitor" (
  "MsgType"           VARCHAR(50),
  "TradeEvent"        VARCHAR(100),
  "Status"            VARCHAR(100),
  "LocateFields"      VARCHAR(200),
  "ReturnField"       VARCHAR(63),
  "UpdateField"       VARCHAR(200),
  "OtherUpdateFields" VARCHAR(500),
  "Sound"             BLOB SUB_TYPE BINARY,
  "Active"            INTEGER
);

/* Raw stream lines, stored while debugging. */
CREATE TABLE "KivMsg" (
  "Msg" BLOB SUB_TYPE TEXT
);

/* On-sale items: one row per item per sync. */
CREATE TABLE "KivItemOnsale" (
  "NumIID"   BIGINT NOT NULL,
  "Title"    VARCHAR(4000),
  "ShopCode" VARCHAR(50) NOT NULL,
  "SyncDate" VARCHAR(32) NOT NULL,
  PRIMARY KEY ("NumIID", "ShopCode", "SyncDate")
);

/* SKUs: one row per SKU per sync. */
CREATE TABLE "KivItem" (
  "SkuID"          BIGINT NOT NULL,
  "NumIID"         BIGINT,
  "PropAlias"      VARCHAR(4000),
  "Price"          NUMERIC(18,2),
  "Qty"            INTEGER,
  "SkuPropName"    VARCHAR(4000),
  "ShopCode"       VARCHAR(50) NOT NULL,
  "SyncDate"       VARCHAR(32) NOT NULL,
  "PropNameFormat" VARCHAR(4000),
  "Barcode"        VARCHAR(100),
  PRIMARY KEY ("SkuID", "ShopCode", "SyncDate")
);
CREATE INDEX "IX_KivItem_Barcode" ON "KivItem" ("Barcode");
CREATE INDEX "IX_KivItem_Num" ON "KivItem" ("NumIID", "ShopCode");
/* A shop's snapshots, read or moved whole when its code goes or changes. */
CREATE INDEX "IX_KivItem_Shop" ON "KivItem" ("ShopCode", "SyncDate");
CREATE INDEX "IX_KivItemOnsale_Shop" ON "KivItemOnsale" ("ShopCode", "SyncDate");

/* Stock-ins (headers) and the SKUs each one lists. */
CREATE TABLE "KivItemIn" (
  "AutoCode"  BIGINT NOT NULL PRIMARY KEY,
  "Qty"       INTEGER,
  "StockTime" BIGINT,
  "Date"      TIMESTAMP
);

CREATE TABLE "KivItemInList" (
  "PCode"     BIGINT NOT NULL,
  "StockTime" BIGINT,
  "SkuID"     BIGINT,
  "NumIID"    BIGINT
);
CREATE INDEX "IX_KivItemInList_PCode" ON "KivItemInList" ("PCode");
CREATE INDEX "IX_KivItemInList_Sku" ON "KivItemInList" ("SkuID", "NumIID");

/* Trade lines recorded from notifications and the catch-up. */
CREATE TABLE "KivItemOut" (
  "ShopCode"   VARCHAR(50),
  "EventDate"  VARCHAR(32),
  "TradeEvent" VARCHAR(100),
  "Tid"        BIGINT,
  "Oid"        BIGINT,
  "SkuID"      BIGINT,
  "NumIID"     BIGINT,
  "Date"       VARCHAR(32),
  "Price"      NUMERIC(18,2),
  "Qty"        INTEGER,
  "Amount"     NUMERIC(18,2),
  "Status"     VARCHAR(100)
);
/* A SKU's lines, and those from a date on (the figures since a sync)
   without its older ones. */
CREATE INDEX "IX_KivItemOut_SkuDate" ON "KivItemOut" ("SkuID", "NumIID", "Date");
/* A shop's lines, and a line of it by its order line (a line stored
   already): one index for both, as each index costs every line stored a
   page written. */
CREATE INDEX "IX_KivItemOut_ShopOid" ON "KivItemOut" ("ShopCode", "Oid");

/* Per shop, the earliest platform time from which its trade lines may be
   incomplete: the next catch-up of missed trades starts there. "Marks"
   counts every seat's marks of it: a seat moves it forward only while the
   count is the one it read before reading what it moves over. "LatestMark"
   is the latest moment a mark was made from. */
CREATE TABLE "KivOutGap" (
  "ShopCode"   VARCHAR(50) NOT NULL PRIMARY KEY,
  "GapFrom"    VARCHAR(32) NOT NULL,
  "Marks"      INTEGER DEFAULT 0 NOT NULL,
  "LatestMark" VARCHAR(32)
);

/* Per SKU, the running sums of its trade lines as the figures' range check
   counts them, whatever their date: per status sum (0 bought, 1 paid,
   2 shipped, 3 finished, 4 refunded) its positive quantities ("Up") and its
   negative ones ("Down"). Kept by the triggers that the program makes
   when it opens the database (client/KivSkuSums), in the statement that
   writes each line; a line changes its SKU's row only, and the row is the
   lock that makes two seats' checks of one SKU take turns. */
CREATE TABLE "KivSkuSums" (
  "SkuID"  BIGINT NOT NULL,
  "NumIID" BIGINT NOT NULL,
  "Up0"    BIGINT DEFAULT 0 NOT NULL,
  "Up1"    BIGINT DEFAULT 0 NOT NULL,
  "Up2"    BIGINT DEFAULT 0 NOT NULL,
  "Up3"    BIGINT DEFAULT 0 NOT NULL,
  "Up4"    BIGINT DEFAULT 0 NOT NULL,
  "Down0"  BIGINT DEFAULT 0 NOT NULL,
  "Down1"  BIGINT DEFAULT 0 NOT NULL,
  "Down2"  BIGINT DEFAULT 0 NOT NULL,
  "Down3"  BIGINT DEFAULT 0 NOT NULL,
  "Down4"  BIGINT DEFAULT 0 NOT NULL,
  PRIMARY KEY ("SkuID", "NumIID")
);

/* Per SKU and stock period, the total of its stock-ins ("KivItemIn" by the
   header's period, joined to "KivItemInList"), kept by the same triggers
   with every stock-in. */
CREATE TABLE "KivSkuStock" (
  "SkuID"     BIGINT NOT NULL,
  "NumIID"    BIGINT NOT NULL,
  "StockTime" BIGINT NOT NULL,
  "Stock"     BIGINT DEFAULT 0 NOT NULL,
  PRIMARY KEY ("StockTime", "SkuID", "NumIID")
);

CREATE GENERATOR "GEN_StockTime";
CREATE GENERATOR "GEN_KivItemIn_ID";

/* The layouts a fresh database starts with: short Chinese captions and
   widths (in characters of the grids' font) that fit them, check boxes for
   the yes/no fields, sound buttons on the WAV blobs. One layout per window
   or table key serves every user and shop ("SYS_CODE"); the administrator
   changes them under "属性". */
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivItem', 'Title', 'SYS_CODE', 'SYS_CODE', '商品名称', 20, 0, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivItem', 'PropNameFormat', 'SYS_CODE', 'SYS_CODE', '销售属性', 11, 1, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivItem', 'Barcode', 'SYS_CODE', 'SYS_CODE', '条形码', 13, 2, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivItem', 'Qty', 'SYS_CODE', 'SYS_CODE', '平台库存', 8, 3, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivItem', 'QtyOut', 'SYS_CODE', 'SYS_CODE', '拍下', 5, 4, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivItem', 'QtyPay', 'SYS_CODE', 'SYS_CODE', '付款', 5, 5, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivItem', 'QtySend', 'SYS_CODE', 'SYS_CODE', '发货', 5, 6, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivItem', 'QtyOver', 'SYS_CODE', 'SYS_CODE', '成交', 5, 7, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivItem', 'QtyBack', 'SYS_CODE', 'SYS_CODE', '退款', 5, 8, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivItem', 'QtyStock', 'SYS_CODE', 'SYS_CODE', '入库', 5, 9, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivItem', 'QtyBalance', 'SYS_CODE', 'SYS_CODE', '结余', 5, 10, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivItem', 'QtyOrder', 'SYS_CODE', 'SYS_CODE', '需订货', 6, 11, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivItem', 'ShopName', 'SYS_CODE', 'SYS_CODE', '店铺', 12, 12, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivItem', 'SkuID', 'SYS_CODE', 'SYS_CODE', 'SKU编号', 13, 13, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivItem', 'NumIID', 'SYS_CODE', 'SYS_CODE', '商品编号', 12, 14, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivMonitor', 'Title', 'SYS_CODE', 'SYS_CODE', '商品名称', 20, 0, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivMonitor', 'PropNameFormat', 'SYS_CODE', 'SYS_CODE', '销售属性', 11, 1, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivMonitor', 'Barcode', 'SYS_CODE', 'SYS_CODE', '条形码', 13, 2, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivMonitor', 'Qty', 'SYS_CODE', 'SYS_CODE', '平台库存', 8, 3, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivMonitor', 'QtyOut', 'SYS_CODE', 'SYS_CODE', '拍下', 5, 4, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivMonitor', 'QtyPay', 'SYS_CODE', 'SYS_CODE', '付款', 5, 5, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivMonitor', 'QtySend', 'SYS_CODE', 'SYS_CODE', '发货', 5, 6, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivMonitor', 'QtyOver', 'SYS_CODE', 'SYS_CODE', '成交', 5, 7, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivMonitor', 'QtyBack', 'SYS_CODE', 'SYS_CODE', '退款', 5, 8, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivMonitor', 'QtyStock', 'SYS_CODE', 'SYS_CODE', '入库', 5, 9, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivMonitor', 'QtyBalance', 'SYS_CODE', 'SYS_CODE', '结余', 5, 10, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivMonitor', 'QtyOrder', 'SYS_CODE', 'SYS_CODE', '需订货', 6, 11, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivMonitor', 'ShopName', 'SYS_CODE', 'SYS_CODE', '店铺', 12, 12, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivMonitor', 'SkuID', 'SYS_CODE', 'SYS_CODE', 'SKU编号', 13, 13, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_KivMonitor', 'NumIID', 'SYS_CODE', 'SYS_CODE', '商品编号', 12, 14, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Barcode', 'Selected', 'SYS_CODE', 'SYS_CODE', '选择', 5, 0, 1, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Barcode', 'Title', 'SYS_CODE', 'SYS_CODE', '商品名称', 30, 1, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Barcode', 'PropNameFormat', 'SYS_CODE', 'SYS_CODE', '销售属性', 12, 2, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Barcode', 'Barcode', 'SYS_CODE', 'SYS_CODE', '条形码', 13, 3, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Barcode', 'Qty', 'SYS_CODE', 'SYS_CODE', '本期入库', 8, 4, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Barcode', 'ShopName', 'SYS_CODE', 'SYS_CODE', '店铺', 12, 5, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Barcode', 'ShopCode', 'SYS_CODE', 'SYS_CODE', '店铺代码', 8, 6, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Barcode', 'SkuID', 'SYS_CODE', 'SYS_CODE', 'SKU编号', 13, 7, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Barcode', 'NumIID', 'SYS_CODE', 'SYS_CODE', '商品编号', 12, 8, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Shop', 'Code', 'SYS_CODE', 'SYS_CODE', '店铺代码', 8, 0, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Shop', 'Name', 'SYS_CODE', 'SYS_CODE', '店铺名称', 16, 1, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Shop', 'AppKey', 'SYS_CODE', 'SYS_CODE', 'AppKey码', 10, 2, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Shop', 'AppSecret', 'SYS_CODE', 'SYS_CODE', 'AppSecret码', 20, 3, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Shop', 'Session', 'SYS_CODE', 'SYS_CODE', 'Session码', 24, 4, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Shop', 'AutoMonitor', 'SYS_CODE', 'SYS_CODE', '自动监控', 8, 5, 1, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Shop', 'SyncDate', 'SYS_CODE', 'SYS_CODE', '同步时间', 17, 6, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_User', 'Code', 'SYS_CODE', 'SYS_CODE', '用户代码', 12, 0, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_User', 'Password', 'SYS_CODE', 'SYS_CODE', '密码', 20, 1, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_UserShop', 'UserCode', 'SYS_CODE', 'SYS_CODE', '用户代码', 12, 0, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_UserShop', 'ShopCode', 'SYS_CODE', 'SYS_CODE', '店铺代码', 12, 1, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_UserShop', 'ShopUserCode', 'SYS_CODE', 'SYS_CODE', '店内用户名', 14, 2, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Monitor', 'MsgType', 'SYS_CODE', 'SYS_CODE', '消息类型', 10, 0, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Monitor', 'TradeEvent', 'SYS_CODE', 'SYS_CODE', '交易事件', 12, 1, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Monitor', 'Status', 'SYS_CODE', 'SYS_CODE', '交易状态', 25, 2, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Monitor', 'LocateFields', 'SYS_CODE', 'SYS_CODE', '定位字段', 11, 3, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Monitor', 'ReturnField', 'SYS_CODE', 'SYS_CODE', '返回字段', 8, 4, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Monitor', 'UpdateField', 'SYS_CODE', 'SYS_CODE', '更新字段', 9, 5, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Monitor', 'OtherUpdateFields', 'SYS_CODE', 'SYS_CODE', '其他更新字段', 16, 6, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Monitor', 'Sound', 'SYS_CODE', 'SYS_CODE', '提示音', 10, 7, 0, 'WAV');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Monitor', 'Active', 'SYS_CODE', 'SYS_CODE', '启用', 5, 8, 1, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Params', 'Code', 'SYS_CODE', 'SYS_CODE', '代码', 5, 0, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Params', 'Value', 'SYS_CODE', 'SYS_CODE', '参数值', 40, 1, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Params', 'BlobValue', 'SYS_CODE', 'SYS_CODE', '提示音', 10, 2, 0, 'WAV');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Fields', 'Code', 'SYS_CODE', 'SYS_CODE', '布局代码', 12, 0, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Fields', 'FieldName', 'SYS_CODE', 'SYS_CODE', '字段名', 14, 1, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Fields', 'UserCode', 'SYS_CODE', 'SYS_CODE', '用户代码', 9, 2, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Fields', 'ShopCode', 'SYS_CODE', 'SYS_CODE', '店铺代码', 9, 3, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Fields', 'Caption', 'SYS_CODE', 'SYS_CODE', '标题', 10, 4, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Fields', 'Width', 'SYS_CODE', 'SYS_CODE', '宽度', 5, 5, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Fields', 'Index', 'SYS_CODE', 'SYS_CODE', '顺序', 5, 6, 0, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Fields', 'Visible', 'SYS_CODE', 'SYS_CODE', '显示', 5, 7, 1, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Fields', 'ReadOnly', 'SYS_CODE', 'SYS_CODE', '只读', 5, 8, 1, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Fields', 'Total', 'SYS_CODE', 'SYS_CODE', '合计', 5, 9, 1, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Fields', 'Boolean', 'SYS_CODE', 'SYS_CODE', '复选框', 6, 10, 1, '');
INSERT INTO "SYS_Fields" ("Code", "FieldName", "UserCode", "ShopCode", "Caption", "Width", "Index", "Boolean", "BinType") VALUES ('SYS_Fields', 'BinType', 'SYS_CODE', 'SYS_CODE', '文件类型', 8, 11, 0, '');

/* The administrator, with an empty password. */
INSERT INTO "SYS_User" ("Code", "Password") VALUES ('admin', '');

COMMIT;
