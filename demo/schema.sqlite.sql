-- Korvane tables read and written by the Outlook add-in (SQLite edition).
-- Date-times are ISO text "YYYY-MM-DD HH:MM:SS" in DATETIME columns.

CREATE TABLE Ress (
    RessID      INTEGER PRIMARY KEY,
    RessNavn    NVARCHAR(100) NOT NULL,
    RessTypeID  INTEGER NOT NULL,
    RessAktiv   INTEGER NOT NULL DEFAULT 1,
    mFldID      INTEGER,
    RessFld     NVARCHAR(255)
);
-- The dialog's resource list (by type and name, active ones with a folder)
-- is read from the index alone: tens of thousands of rows, no look-up each.
CREATE INDEX IX_Ress_Type ON Ress (RessTypeID, RessNavn, RessAktiv, mFldID, RessFld);

CREATE TABLE RessKunde (
    KundeRessID INTEGER PRIMARY KEY REFERENCES Ress (RessID),
    KundeNr     NVARCHAR(20)
);

CREATE TABLE ResAccess (
    ResId       INTEGER NOT NULL REFERENCES Ress (RessID),
    CustId      INTEGER NOT NULL REFERENCES Ress (RessID),
    AccessLevel INTEGER NOT NULL DEFAULT 1,
    Display     INTEGER NOT NULL DEFAULT 1,
    PRIMARY KEY (ResId, CustId)
);
CREATE INDEX IX_ResAccess_Cust ON ResAccess (CustId);

CREATE TABLE RessProjekter (
    ProjektID   INTEGER PRIMARY KEY,
    RessID      INTEGER NOT NULL REFERENCES Ress (RessID),
    ProjektNavn NVARCHAR(100)
);
CREATE INDEX IX_RessProjekter_Ress ON RessProjekter (RessID);

CREATE TABLE Job (
    JobID              INTEGER PRIMARY KEY,
    ProjektID          INTEGER NOT NULL REFERENCES RessProjekter (ProjektID),
    JobNavn            NVARCHAR(100),
    JobStatusID        INTEGER NOT NULL DEFAULT 1,
    JobFolderArkiveret INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IX_Job_Projekt ON Job (ProjektID, JobStatusID);

CREATE TABLE JobFldPath (
    JobID     INTEGER PRIMARY KEY REFERENCES Job (JobID),
    FldPri    NVARCHAR(255),
    FldPriUnc NVARCHAR(255),
    FldSec    NVARCHAR(255),
    FldSecUnc NVARCHAR(255)
);

CREATE TABLE ResFldPath (
    RessID    INTEGER PRIMARY KEY REFERENCES Ress (RessID),
    ResFld    NVARCHAR(255),
    ResFldUNX NVARCHAR(255)
);

CREATE TABLE SysVariabler (
    VariableNavn NVARCHAR(50) NOT NULL,
    Vaerdi       NVARCHAR(255)
);

CREATE TABLE DocMail (
    DocID       INTEGER PRIMARY KEY,
    DocTitle    NVARCHAR(255),
    DocAuthorId INTEGER,
    DocDate     DATETIME,
    FName       NVARCHAR(255),
    FExt        NVARCHAR(10),
    SubFld      NVARCHAR(255),
    FSize       INTEGER,
    IconID      INTEGER,
    Sender      NVARCHAR(255),
    Subject     NVARCHAR(255),
    Recieved    DATETIME,
    Attachments INTEGER,
    Importance  INTEGER,
    mailto      NTEXT,
    mailcc      NTEXT,
    mailbcc     NTEXT,
    Body        NTEXT
);
CREATE INDEX IX_DocMail_Match ON DocMail (Sender, Subject, Recieved);

CREATE TABLE JobDoc (
    DocId INTEGER NOT NULL REFERENCES DocMail (DocID),
    jobID INTEGER NOT NULL REFERENCES Job (JobID),
    PRIMARY KEY (DocId, jobID)
);
CREATE INDEX IX_JobDoc_Job ON JobDoc (jobID);

CREATE TABLE ResDoc (
    RDocId INTEGER NOT NULL REFERENCES DocMail (DocID),
    ResId  INTEGER NOT NULL REFERENCES Ress (RessID),
    PRIMARY KEY (RDocId, ResId)
);
CREATE INDEX IX_ResDoc_Res ON ResDoc (ResId);

-- One row per mail handed over by the add-in; DocMailImportExec files it.
CREATE TABLE DocMailImport (
    ImpId       INTEGER PRIMARY KEY AUTOINCREMENT,
    DocTitle    NVARCHAR(255),
    DocAuthorId INTEGER,
    ResId       INTEGER,
    JobId       INTEGER,
    DocDate     DATETIME,
    FExt        NVARCHAR(10),
    SubFld      NVARCHAR(255),
    FSize       INTEGER,
    FName       NVARCHAR(255),
    IconID      SMALLINT,
    Subject     NVARCHAR(255),
    Sender      NVARCHAR(255),
    Received    DATETIME,
    Attachments INTEGER,
    Importance  INTEGER,
    mailto      NTEXT,
    mailcc      NTEXT,
    mailbcc     NTEXT,
    Body        NTEXT,
    OrdId       INTEGER
);
CREATE INDEX IX_DocMailImport_OrdId ON DocMailImport (OrdId);

-- SQLite has no stored procedures: a procedure is a body of statements run in
-- one transaction, ?1 the first parameter, the last statement selecting the
-- return value.
CREATE TABLE kv_procedure (
    name NVARCHAR(128) PRIMARY KEY COLLATE NOCASE,
    body NTEXT NOT NULL
);

-- Files the import row with the given OrdId as a mail document of its job
-- (or of its resource when it has no job), removes the import row and
-- returns 0; returns 1 when there is no such row.
INSERT INTO kv_procedure (name, body) VALUES ('DocMailImportExec', '
INSERT INTO DocMail (DocID, DocTitle, DocAuthorId, DocDate, FName, FExt, SubFld, FSize, IconID,
                     Sender, Subject, Recieved, Attachments, Importance, mailto, mailcc, mailbcc, Body)
SELECT (SELECT COALESCE(MAX(DocID), 0) + 1 FROM DocMail),
       DocTitle, DocAuthorId, DocDate, FName, FExt, SubFld, FSize, IconID,
       Sender, Subject, Received, Attachments, Importance, mailto, mailcc, mailbcc, Body
  FROM DocMailImport
 WHERE ImpId = (SELECT MIN(ImpId) FROM DocMailImport WHERE OrdId = ?1);
INSERT INTO JobDoc (DocId, jobID)
SELECT (SELECT MAX(DocID) FROM DocMail), JobId
  FROM DocMailImport
 WHERE ImpId = (SELECT MIN(ImpId) FROM DocMailImport WHERE OrdId = ?1) AND COALESCE(JobId, 0) > 0;
INSERT INTO ResDoc (RDocId, ResId)
SELECT (SELECT MAX(DocID) FROM DocMail), ResId
  FROM DocMailImport
 WHERE ImpId = (SELECT MIN(ImpId) FROM DocMailImport WHERE OrdId = ?1) AND COALESCE(JobId, 0) <= 0;
DELETE FROM DocMailImport WHERE ImpId = (SELECT MIN(ImpId) FROM DocMailImport WHERE OrdId = ?1);
SELECT CASE WHEN changes() > 0 THEN 0 ELSE 1 END;
');
