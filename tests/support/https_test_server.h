// A scripted HTTPS server on 127.0.0.1 for one test (https_server.py, run by
// the build machine's Python), serving from and recording into the test's own
// folder, so tests that run at the same time never see each other's requests.
// Its certificate is signed by a throwaway CA that the tests' Wine prefix
// trusts; its host name is "localhost" with the port it was given.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ScriptedAnswer {
    int status = 200;
    std::string body;       // sent as it is, unless one of the next two is set
    std::string file;       // a file of the test folder sent as the body
    long long size = -1;    // a body of this many 'x' bytes
    std::string mode;       // "drop" or "trickle" (see https_server.py)
};

ScriptedAnswer Reply(int status, std::string body, std::string mode = "");
ScriptedAnswer ReplyOfSize(long long size, std::string mode = "");
ScriptedAnswer ReplyFromFile(std::string file);

struct RecordedRequest {
    std::string path;
    std::vector<std::pair<std::string, std::string>> headers;  // in the order received

    // How often a header of that name (any letter case) came, and its last value.
    int HeaderCount(const std::string& name) const;
    std::string Header(const std::string& name) const;
};

// The build machine's own path of a file seen by Wine; empty when it has none.
std::string WineUnixPath(const std::wstring& path);

class HttpsTestServer {
public:
    explicit HttpsTestServer(std::wstring folder) : folder_(std::move(folder)) {}
    ~HttpsTestServer();
    HttpsTestServer(const HttpsTestServer&) = delete;
    HttpsTestServer& operator=(const HttpsTestServer&) = delete;

    // Answers for one path, one per request; the last one repeats. Unknown
    // paths answer 404. Set every route before Start.
    void Route(const std::string& path, std::vector<ScriptedAnswer> answers);
    // Writes a fixture file into the folder, for ScriptedAnswer::file.
    void AddFile(const std::string& name, const std::string& bytes);

    // Starts the server and waits until it listens; false (with a test
    // failure) when it does not come up.
    bool Start();
    // "localhost:port" and "https://localhost:port" + path.
    std::string Host() const;
    std::string Url(const std::string& path) const;

    // Every request so far, in the order served.
    std::vector<RecordedRequest> Requests() const;

private:
    std::wstring folder_;
    std::vector<std::pair<std::string, std::vector<ScriptedAnswer>>> routes_;
    int port_ = 0;
    bool started_ = false;
};
