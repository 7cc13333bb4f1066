-- Korvane tables read and written by the Outlook add-in (SQL Server edition).
-- Run with sqlcmd against an empty database; GO separates the batches.

CREATE TABLE Ress (
    RessID      INT NOT NULL PRIMARY KEY,
    RessNavn    NVARCHAR(100) NOT NULL,
    RessTypeID  INT NOT NULL,
    RessAktiv   INT NOT NULL DEFAULT 1,
    mFldID      INT NULL,
    RessFld     NVARCHAR(255) NULL
);
-- The dialog's resource list (by type and name, active ones with a folder)
-- is read from the index alone: tens of thousands of rows, no look-up each.
CREATE INDEX IX_Ress_Type ON Ress (RessTypeID, RessNavn) INCLUDE (RessAktiv, mFldID, RessFld);

CREATE TABLE RessKunde (
    KundeRessID INT NOT NULL PRIMARY KEY REFERENCES Ress (RessID),
    KundeNr     NVARCHAR(20) NULL
);

CREATE TABLE ResAccess (
    ResId       INT NOT NULL REFERENCES Ress (RessID),
    CustId      INT NOT NULL REFERENCES Ress (RessID),
    AccessLevel INT NOT NULL DEFAULT 1,
    Display     INT NOT NULL DEFAULT 1,
    PRIMARY KEY (ResId, CustId)
);
CREATE INDEX IX_ResAccess_Cust ON ResAccess (CustId);

CREATE TABLE RessProjekter (
    ProjektID   INT NOT NULL PRIMARY KEY,
    RessID      INT NOT NULL REFERENCES Ress (RessID),
    ProjektNavn NVARCHAR(100) NULL
);
CREATE INDEX IX_RessProjekter_Ress ON RessProjekter (RessID);

CREATE TABLE Job (
    JobID              INT NOT NULL PRIMARY KEY,
    ProjektID          INT NOT NULL REFERENCES RessProjekter (ProjektID),
    JobNavn            NVARCHAR(100) NULL,
    JobStatusID        INT NOT NULL DEFAULT 1,
    JobFolderArkiveret INT NOT NULL DEFAULT 0
);
CREATE INDEX IX_Job_Projekt ON Job (ProjektID, JobStatusID);

CREATE TABLE JobFldPath (
    JobID     INT NOT NULL PRIMARY KEY REFERENCES Job (JobID),
    FldPri    NVARCHAR(255) NULL,
    FldPriUnc NVARCHAR(255) NULL,
    FldSec    NVARCHAR(255) NULL,
    FldSecUnc NVARCHAR(255) NULL
);

CREATE TABLE ResFldPath (
    RessID    INT NOT NULL PRIMARY KEY REFERENCES Ress (RessID),
    ResFld    NVARCHAR(255) NULL,
    ResFldUNX NVARCHAR(255) NULL
);

CREATE TABLE SysVariabler (
    VariableNavn NVARCHAR(50) NOT NULL,
    Vaerdi       NVARCHAR(255) NULL
);

CREATE TABLE DocMail (
    DocID       INT NOT NULL PRIMARY KEY,
    DocTitle    NVARCHAR(255) NULL,
    DocAuthorId INT NULL,
    DocDate     DATETIME NULL,
    FName       NVARCHAR(255) NULL,
    FExt        NVARCHAR(10) NULL,
    SubFld      NVARCHAR(255) NULL,
    FSize       INT NULL,
    IconID      INT NULL,
    Sender      NVARCHAR(255) NULL,
    Subject     NVARCHAR(255) NULL,
    Recieved    DATETIME NULL,
    Attachments INT NULL,
    Importance  INT NULL,
    mailto      NVARCHAR(MAX) NULL,
    mailcc      NVARCHAR(MAX) NULL,
    mailbcc     NVARCHAR(MAX) NULL,
    Body        NVARCHAR(MAX) NULL
);
CREATE INDEX IX_DocMail_Match ON DocMail (Sender, Subject, Recieved);

CREATE TABLE JobDoc (
    DocId INT NOT NULL REFERENCES DocMail (DocID),
    jobID INT NOT NULL REFERENCES Job (JobID),
    PRIMARY KEY (DocId, jobID)
);
CREATE INDEX IX_JobDoc_Job ON JobDoc (jobID);

CREATE TABLE ResDoc (
    RDocId INT NOT NULL REFERENCES DocMail (DocID),
    ResId  INT NOT NULL REFERENCES Ress (RessID),
    PRIMARY KEY (RDocId, ResId)
);
CREATE INDEX IX_ResDoc_Res ON ResDoc (ResId);

CREATE TABLE DocMailImport (
    ImpId       INT IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    DocTitle    NVARCHAR(255) NULL,
    DocAuthorId INT NULL,
    ResId       INT NULL,
    JobId       INT NULL,
    DocDate     DATETIME NULL,
    FExt        NVARCHAR(10) NULL,
    SubFld      NVARCHAR(255) NULL,
    FSize       INT NULL,
    FName       NVARCHAR(255) NULL,
    IconID      SMALLINT NULL,
    Subject     NVARCHAR(255) NULL,
    Sender      NVARCHAR(255) NULL,
    Received    DATETIME NULL,
    Attachments INT NULL,
    Importance  INT NULL,
    mailto      NVARCHAR(MAX) NULL,
    mailcc      NVARCHAR(MAX) NULL,
    mailbcc     NVARCHAR(MAX) NULL,
    Body        NVARCHAR(MAX) NULL,
    OrdId       INT NULL
);
CREATE INDEX IX_DocMailImport_OrdId ON DocMailImport (OrdId);
GO

-- Files the import row with the given OrdId as a mail document of its job
-- (or of its resource when it has no job), removes the import row and
-- returns 0; returns 1 when there is no such row.
CREATE PROCEDURE DocMailImportExec @OrdId INT
AS
BEGIN
    SET NOCOUNT ON;
    SET XACT_ABORT ON;
    DECLARE @ImpId INT, @DocID INT, @JobId INT, @ResId INT;

    BEGIN TRANSACTION;
    SELECT TOP 1 @ImpId = ImpId, @JobId = JobId, @ResId = ResId
      FROM DocMailImport WITH (UPDLOCK)
     WHERE OrdId = @OrdId
     ORDER BY ImpId;
    IF @ImpId IS NULL
    BEGIN
        ROLLBACK TRANSACTION;
        RETURN 1;
    END

    SELECT @DocID = COALESCE(MAX(DocID), 0) + 1 FROM DocMail WITH (TABLOCKX);
    INSERT INTO DocMail (DocID, DocTitle, DocAuthorId, DocDate, FName, FExt, SubFld, FSize, IconID,
                         Sender, Subject, Recieved, Attachments, Importance, mailto, mailcc, mailbcc, Body)
    SELECT @DocID, DocTitle, DocAuthorId, DocDate, FName, FExt, SubFld, FSize, IconID,
           Sender, Subject, Received, Attachments, Importance, mailto, mailcc, mailbcc, Body
      FROM DocMailImport
     WHERE ImpId = @ImpId;

    IF COALESCE(@JobId, 0) > 0
        INSERT INTO JobDoc (DocId, jobID) VALUES (@DocID, @JobId);
    ELSE
        INSERT INTO ResDoc (RDocId, ResId) VALUES (@DocID, @ResId);

    DELETE FROM DocMailImport WHERE ImpId = @ImpId;
    COMMIT TRANSACTION;
    RETURN 0;
END
GO
