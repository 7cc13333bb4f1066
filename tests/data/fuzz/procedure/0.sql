INSERT INTO DocMail SELECT * FROM DocMailImport WHERE OrdId = ?1; DELETE FROM DocMailImport WHERE OrdId = ?1 -- ;?
; SELECT 0 /* ; ? */ + ?