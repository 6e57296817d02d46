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
CREATE INDEX "IX_KivItemOut_Sku" ON "KivItemOut" ("SkuID", "NumIID");
CREATE INDEX "IX_KivItemOut_Shop" ON "KivItemOut" ("ShopCode");
CREATE INDEX "IX_KivItemOut_Oid" ON "KivItemOut" ("Oid");

/* Per shop, the earliest platform time from which its trade lines may be
   incomplete: the next catch-up of missed trades starts there. */
CREATE TABLE "KivOutGap" (
  "ShopCode" VARCHAR(50) NOT NULL PRIMARY KEY,
  "GapFrom"  VARCHAR(32) NOT NULL
);

CREATE GENERATOR "GEN_StockTime";
CREATE GENERATOR "GEN_KivItemIn_ID";

/* The administrator, with an empty password. */
INSERT INTO "SYS_User" ("Code", "Password") VALUES ('admin', '');

COMMIT;
