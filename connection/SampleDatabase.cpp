#include "connection/SampleDatabase.h"

#include "connection/EngineError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

// Rows are generated from small name lists so the script stays short; the arithmetic spreads
// values deterministically, so every new sample file holds the same data.
const char* const kScript = R"sql(
CREATE TABLE DEPT (
    DEPTNO INTEGER PRIMARY KEY,
    DNAME VARCHAR(20) NOT NULL,
    LOC VARCHAR(20)
);
INSERT INTO DEPT VALUES
    (10, 'ACCOUNTING', 'NEW YORK'),
    (20, 'RESEARCH', 'DALLAS'),
    (30, 'SALES', 'CHICAGO'),
    (40, 'OPERATIONS', 'BOSTON'),
    (50, 'CUSTOMER SERVICE', 'SAN FRANCISCO'),
    (60, 'HUMAN RESOURCES', NULL);

CREATE TABLE EMP (
    EMPNO INTEGER PRIMARY KEY,
    ENAME VARCHAR(30) NOT NULL,
    JOB VARCHAR(20),
    MGR INTEGER,
    HIREDATE DATE,
    SAL MONEY,
    COMM MONEY,
    DEPTNO INTEGER REFERENCES DEPT (DEPTNO)
);
WITH RECURSIVE
    n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40),
    firsts(k, name) AS (VALUES (0, 'Mary Ann'), (1, 'John'), (2, 'Li'), (3, 'Carlos'), (4, 'Anna Maria'),
        (5, 'Peter'), (6, 'Fatima'), (7, 'Jean Luc'), (8, 'Olga'), (9, 'Ahmed'), (10, 'Sofia'),
        (11, 'Kenji'), (12, 'Grace')),
    lasts(k, name) AS (VALUES (0, 'Smith'), (1, 'Van der Berg'), (2, 'O''Brien'), (3, 'Garcia Lopez'),
        (4, 'Chen'), (5, 'Müller'), (6, 'Nakamura'), (7, 'De Souza'), (8, 'Ivanova'), (9, 'Okafor'),
        (10, 'Jensen')),
    jobs(k, job) AS (VALUES (0, 'CLERK'), (1, 'SALESMAN'), (2, 'ANALYST'), (3, 'MANAGER'),
        (4, 'SUPPORT ENGINEER'))
INSERT INTO EMP (EMPNO, ENAME, JOB, MGR, HIREDATE, SAL, COMM, DEPTNO)
SELECT 7000 + i, f.name || ' ' || l.name, j.job,
       CASE WHEN i <= 4 THEN NULL ELSE 7001 + i % 4 END,
       date('2015-01-05', '+' || (i * 53) || ' days'),
       round(1200 + (i * 7919) % 4000 + ((i * 37) % 100) / 100.0, 2),
       CASE WHEN j.job = 'SALESMAN' THEN (i * 13 % 10) * 50 END,
       10 * (1 + i % 5)
FROM n
JOIN firsts f ON f.k = i % 13
JOIN lasts l ON l.k = (i * 7) % 11
JOIN jobs j ON j.k = i % 5;

CREATE TABLE CUSTOMER (
    CUSTNO INTEGER PRIMARY KEY,
    NAME VARCHAR(40) NOT NULL,
    CONTACT VARCHAR(30),
    CITY VARCHAR(25),
    PHONE VARCHAR(20),
    CREDIT_LIMIT MONEY,
    SINCE DATE
);
WITH RECURSIVE
    n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 120),
    heads(k, name) AS (VALUES (0, 'Blue Lake'), (1, 'North Star'), (2, 'Golden Gate'), (3, 'Old Mill'),
        (4, 'Red Rock'), (5, 'Silver Birch'), (6, 'Green Valley'), (7, 'Harbour View'), (8, 'Sunrise'),
        (9, 'Iron Bridge')),
    tails(k, name) AS (VALUES (0, 'Trading Co.'), (1, 'Supplies'), (2, 'Outfitters'), (3, 'and Sons'),
        (4, 'Book Shop'), (5, 'Marine Ltd.'), (6, 'Garden Centre'), (7, 'Bakery'), (8, 'Motors'),
        (9, 'Coffee House'), (10, 'Print & Copy')),
    contacts(k, name) AS (VALUES (0, 'Ana Lima'), (1, 'Tom Baker'), (2, 'Yuki Sato'), (3, 'Rui Costa'),
        (4, 'Eva Novak'), (5, 'Sam O''Neil'), (6, 'Ida Berg')),
    cities(k, name) AS (VALUES (0, 'New York'), (1, 'San Diego'), (2, 'Las Vegas'), (3, 'St. Louis'),
        (4, 'Salt Lake City'), (5, 'Boston'), (6, 'Chicago'), (7, 'El Paso'), (8, 'Kansas City'))
INSERT INTO CUSTOMER (CUSTNO, NAME, CONTACT, CITY, PHONE, CREDIT_LIMIT, SINCE)
SELECT 1000 + i, h.name || ' ' || t.name,
       CASE WHEN i % 9 = 0 THEN NULL ELSE c.name END,
       ci.name,
       CASE WHEN i % 7 = 3 THEN NULL
            ELSE printf('(%03d) %03d-%04d', 200 + i * 7 % 700, i * 13 % 1000, i * 7919 % 10000) END,
       (1 + i * 17 % 20) * 500.0,
       date('2012-03-01', '+' || (i * 29) || ' days')
FROM n
JOIN heads h ON h.k = i % 10
JOIN tails t ON t.k = (i / 10 + i) % 11
JOIN contacts c ON c.k = i % 7
JOIN cities ci ON ci.k = (i * 5) % 9;

CREATE TABLE ORDERS (
    ORDERNO INTEGER PRIMARY KEY,
    CUSTNO INTEGER NOT NULL REFERENCES CUSTOMER (CUSTNO),
    EMPNO INTEGER REFERENCES EMP (EMPNO),
    ORDER_DATE DATE NOT NULL,
    SHIP_DATE DATE,
    AMOUNT MONEY NOT NULL,
    PAYMENT VARCHAR(12),
    NOTES VARCHAR(60)
);
WITH RECURSIVE
    n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 260),
    payments(k, name) AS (VALUES (0, 'Credit card'), (1, 'Cash'), (2, 'Check'), (3, 'On account')),
    notes(k, text) AS (VALUES (0, 'Deliver to the back door'), (1, 'Call before delivery'),
        (2, 'Gift wrap, no invoice in box'), (3, 'Urgent: ship by air'))
INSERT INTO ORDERS (ORDERNO, CUSTNO, EMPNO, ORDER_DATE, SHIP_DATE, AMOUNT, PAYMENT, NOTES)
SELECT 5000 + i, 1001 + (i * 37) % 120,
       CASE WHEN i % 11 = 0 THEN NULL ELSE 7001 + (i * 3) % 40 END,
       date('2023-01-02', '+' || (i * 13 % 700) || ' days'),
       CASE WHEN i % 8 = 0 THEN NULL
            ELSE date('2023-01-02', '+' || (i * 13 % 700 + 1 + i % 6) || ' days') END,
       round(25 + (i * 7919) % 500000 / 100.0, 2),
       p.name,
       CASE WHEN i % 5 = 0 THEN nt.text END
FROM n
JOIN payments p ON p.k = i % 4
JOIN notes nt ON nt.k = (i / 5) % 4;
)sql";

[[noreturn]] void fail(sqlite3* db, const QString& path)
{
    const int code = db ? sqlite3_extended_errcode(db) : SQLITE_CANTOPEN;
    const QString message = QStringLiteral("Cannot create the sample database %1: %2")
                                .arg(path, db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString());
    sqlite3_close_v2(db);
    QFile::remove(path);
    throw EngineError(QString::number(code & 0xff), code, message);
}

} // namespace

const char* SampleDatabase::Script()
{
    return kScript;
}

void SampleDatabase::Ensure(const QString& path)
{
    if (QFileInfo::exists(path))
        return;
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw EngineError(QString::number(SQLITE_CANTOPEN), SQLITE_CANTOPEN,
                          QStringLiteral("Cannot create the folder %1").arg(folder));
    const QString partial = path + QStringLiteral(".partial");
    QFile::remove(partial);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(partial).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        fail(db, partial);
    if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, kScript, nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(db, partial);
    sqlite3_close_v2(db);
    if (!QFile::rename(partial, path)) {
        QFile::remove(partial);
        // Another copy of the program may have created it meanwhile.
        if (!QFileInfo::exists(path))
            throw EngineError(QString::number(SQLITE_CANTOPEN), SQLITE_CANTOPEN,
                              QStringLiteral("Cannot create the sample database %1").arg(path));
    }
}
