// The schema catalogue of a large PostgreSQL database, read as the Schema window reads it.
#include "connection/AliasFile.h"
#include "connection/Connection.h"
#include "connection/DataSources.h"
#include "connection/DatabaseDriver.h"
#include "connection/PgDriver.h"
#include "connection/SchemaCatalogue.h"
#include "support/PgServer.h"

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTables = 10000;
constexpr int kColumns = 10;
constexpr int kRuns = 5;
const QString kAlias = QStringLiteral("Bench");
const QString kSchema = QStringLiteral("bench_schema");

void createTables(PgServer& pg)
{
    pg.psql(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(kSchema));
    pg.psql(QStringLiteral("CREATE SCHEMA %1").arg(kSchema));
    QStringList columns;
    const char* const types[] = {"integer", "text", "numeric(8,2)", "date", "varchar(40)"};
    for (int c = 1; c <= kColumns; ++c)
        columns.append(QStringLiteral("c%1 %2").arg(c).arg(QString::fromLatin1(types[c % 5])));
    // Committed in slices: ten thousand new tables in one transaction outgrow the lock table.
    pg.psql(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP "
                           "EXECUTE format('CREATE TABLE %2.t%s (%3)', i); "
                           "IF mod(i, 500) = 0 THEN COMMIT; END IF; END LOOP; END $$")
                .arg(kTables)
                .arg(kSchema, columns.join(QStringLiteral(", "))));
    pg.psql(QStringLiteral("VACUUM ANALYZE pg_catalog.pg_class"), true);
    pg.psql(QStringLiteral("VACUUM ANALYZE pg_catalog.pg_attribute"), true);
}

} // namespace

int main()
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    PgServer& pg = PgServer::instance();
    if (!pg.running()) {
        std::fprintf(stderr, "no PostgreSQL server: %s\n", qPrintable(pg.failure()));
        return 1;
    }
    createTables(pg);
    AliasFile::Alias alias{kAlias, QStringLiteral("QPSQL"), pg.database(), pg.socketDir(), pg.port(), {}};
    if (!AliasFile::Write(DataSources::AliasFilePath(), alias))
        throw std::runtime_error("cannot write the alias file");

    Connection connection;
    connection.setName(kAlias);
    connection.addParam(QStringLiteral("USER NAME=") + pg.user());
    connection.addParam(QStringLiteral("PASSWORD=") + pg.password());
    connection.connect();
    if (!dynamic_cast<PgDriver*>(&connection.driver()))
        throw std::runtime_error("the alias did not open the libpq driver");

    std::vector<double> seconds;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        const SchemaCatalogue catalogue = connection.driver().readCatalogue();
        seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        int tables = 0;
        for (const CatalogueTable& table : catalogue.tables()) {
            if (table.schema == kSchema && table.columns.size() == kColumns)
                ++tables;
        }
        if (tables != kTables)
            throw std::runtime_error("the catalogue did not hold every table with its columns");
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("figure: schema_10k_tables_s %.3f\n", seconds[kRuns / 2]);
    std::printf("spread: schema_10k_tables_s %.3f %.3f\n", seconds.front(), seconds.back());
    return 0;
}
