// Benchmark of the online catalogue update: a generated repository the size
// of the real one (170 sets, about 20,000 cards, about 26 MB of JSON shaped
// like the repository's), served over HTTPS on 127.0.0.1, fully loaded into
// a new database. Prints the update's time without its designed 150 ms
// pauses, next to a Python script that loads the same files from disk into
// SQLite with its json and sqlite3 modules.
#include "bench/card_repository.h"
#include "core/catalogue_update.h"
#include "core/db.h"
#include "core/http.h"
#include "tests/support/https_test_server.h"
#include "tests/support/test_folder.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Runs the Python loader (a program of the build machine, which Wine starts
// detached) and waits for its result file. Wall time, interpreter start
// included; the script's own figure comes back in the file.
bool RunPythonLoader(const TestFolder& folder, double& wallSeconds, std::string& report)
{
    const std::wstring result = folder.File(L"python-result.txt");
    const std::string script = BINDERWELL_PYTHON_LOADER;
    std::wstring command = L"/usr/bin/python3 \"" + std::wstring(script.begin(), script.end()) + L"\" \"";
    for (const std::wstring& path : {folder.File(L"repo"), folder.File(L"python.db"), result}) {
        const std::string unixPath = WineUnixPath(path);
        command += std::wstring(unixPath.begin(), unixPath.end()) + L"\" \"";
    }
    command.resize(command.size() - 2);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    for (int waited = 0; waited < 600000 && !FileExists(result); waited += 5)
        Sleep(5);
    QueryPerformanceCounter(&end);
    wallSeconds = Seconds(start, end);
    report = ReadFileBytes(result);
    return !report.empty();
}

double Seconds(LARGE_INTEGER from)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return Seconds(from, now);
}

// Where the update's time goes: its steps again in this (by now warmed-up)
// process, set by set in the same order and with the same pause after each
// set (untimed; the server and the disk see the pace they saw), each kind of
// step timed on its own, into a new database.
struct Phases {
    double setList = 0.0;   // the set list's download on a new session
    double cardLists = 0.0; // every card list's download
    double parse = 0.0;
    double inserts = 0.0;   // BEGIN, binding and stepping, the rows written to the journal
    double commits = 0.0;   // syncs, locks and the journal's deletion
    double release = 0.0;   // freeing the parsed documents
};

bool TimePhases(const TestFolder& folder, const std::string& host, Phases& phases)
{
    DbHandle db;
    std::string error;
    if (!OpenDb(folder.File(L"phases.db"), db, error) || !CreateCatalogueTable(db.get(), error))
        return false;
    const StmtHandle insert = PrepareStmt(db.get(), CatalogueInsertSql, error);
    if (!insert)
        return false;

    const HttpSession session = OpenHttpSession();
    const std::string base = "https://" + host;
    std::string body;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!HttpGetToMemory(session.get(), base + kSetListPath, "", body, nullptr))
        return false;
    phases.setList = Seconds(start);
    std::vector<SetListEntry> sets;
    {
        JsonValue setList;
        if (!ParseJson(body, setList, error) || !JsonCardList(setList))
            return false;
        sets = ReadSetList(*JsonCardList(setList));
    }

    for (const SetListEntry& set : sets) {
        QueryPerformanceCounter(&start);
        if (!HttpGetToMemory(session.get(), base + kCardListFolder + set.id + ".json", "", body, nullptr))
            return false;
        phases.cardLists += Seconds(start);

        QueryPerformanceCounter(&start);
        auto document = std::make_unique<JsonValue>();
        if (!ParseJson(body, *document, error) || !JsonCardList(*document))
            return false;
        phases.parse += Seconds(start);

        QueryPerformanceCounter(&start);
        if (!ExecSql(db.get(), "BEGIN;", error))
            return false;
        for (const JsonValue& card : JsonCardList(*document)->items) {
            sqlite3_reset(insert.get());
            sqlite3_clear_bindings(insert.get());
            if (InsertCatalogueCard(insert.get(), card, set) && sqlite3_step(insert.get()) != SQLITE_DONE)
                return false;
        }
        sqlite3_reset(insert.get());
        phases.inserts += Seconds(start);
        QueryPerformanceCounter(&start);
        if (!ExecSql(db.get(), "COMMIT;", error))
            return false;
        phases.commits += Seconds(start);

        QueryPerformanceCounter(&start);
        document.reset();
        phases.release += Seconds(start);
        Sleep(150);
    }
    return true;
}

// What the update's one transaction per set costs by itself here: the same
// number of one-row commits into a new file beside the others.
double TimeCommitsAlone(const TestFolder& folder)
{
    DbHandle db;
    std::string error;
    if (!OpenDb(folder.File(L"commits.db"), db, error) ||
        !ExecSql(db.get(), "CREATE TABLE t (v TEXT);", error))
        return -1.0;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (int s = 0; s < kSets; ++s) {
        if (!ExecSql(db.get(), "BEGIN; INSERT INTO t VALUES ('x'); COMMIT;", error))
            return -1.0;
    }
    QueryPerformanceCounter(&end);
    return Seconds(start, end);
}

} // namespace

int wmain()
{
    TestFolder folder;
    CreateDirectoryW(folder.File(L"repo").c_str(), nullptr);
    HttpsTestServer server(folder.File(L"repo"));

    int cardsMade = 0;
    const size_t bytes = ServeCardRepository(server, cardsMade);
    if (!server.Start()) {
        std::printf("the local HTTPS server did not start\n");
        return 1;
    }
    std::printf("repository: %d sets, %d cards, %.1f MB of JSON\n", kSets, cardsMade, bytes / 1e6);

    DbHandle db;
    std::string error;
    if (!OpenDb(folder.File(L"update.db"), db, error)) {
        std::printf("cannot open the database: %s\n", error.c_str());
        return 1;
    }
    CatalogueSource source;
    source.host = server.Host();
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const CatalogueUpdateResult result = UpdateCatalogueFrom(source, db.get(), "", nullptr, nullptr, nullptr);
    QueryPerformanceCounter(&end);
    const double total = Seconds(start, end);
    const double pauses = kSets * source.setPauseMs / 1000.0;
    std::printf("update: %s, %d cards added, %d sets failed\n", result.ok ? "ok" : result.message.c_str(),
                result.added, result.failedSets);
    std::printf("update over HTTPS: %.2f s in all, %.2f s without the %d designed 150 ms pauses\n", total,
                total - pauses, kSets);

    Phases phases;
    if (TimePhases(folder, server.Host(), phases)) {
        const double accounted = phases.setList + phases.cardLists + phases.parse + phases.inserts +
                                 phases.commits + phases.release;
        std::printf("its steps again, each kind timed on its own, in the warmed-up process:\n"
                    "  download of the set list %.2f s, of the %d card lists %.2f s\n"
                    "  parse %.2f s, free the parsed documents %.2f s\n"
                    "  inserts %.2f s, %d commits %.2f s (%d one-row commits alone %.2f s)\n"
                    "  the rest of the update (the process's first HTTPS connection, the pauses' overshoot): "
                    "%.2f s\n",
                    phases.setList, kSets, phases.cardLists, phases.parse, phases.release, phases.inserts, kSets,
                    phases.commits, kSets, TimeCommitsAlone(folder), total - pauses - accounted);
    } else {
        std::printf("the steps could not be timed one by one\n");
    }

    double pythonWall = 0.0;
    std::string pythonReport;
    if (!RunPythonLoader(folder, pythonWall, pythonReport)) {
        std::printf("the Python loader did not finish\n");
        return 1;
    }
    int pythonAdded = 0;
    double pythonOwn = 0.0;
    double pythonLoading = 0.0;
    std::sscanf(pythonReport.c_str(), "%d %lf %lf", &pythonAdded, &pythonOwn, &pythonLoading);
    std::printf("Python json + sqlite3 from disk, natively, one transaction per set, SQLite's defaults: %.2f s "
                "(its own timing %.2f s, of which reading and parsing the files %.2f s), %d cards added\n",
                pythonWall, pythonOwn, pythonLoading, pythonAdded);
    std::printf("target (update faster than the Python loader): %s\n",
                total - pauses < pythonWall ? "met" : "NOT met");
    return 0;
}
