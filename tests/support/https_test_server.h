// A scripted HTTPS server on 127.0.0.1 for one test (https_server.py, run by
// the build machine's Python), serving from and recording into the test's own
// folder. Its certificate is for "localhost", signed by a throwaway CA that
// the tests' Wine prefix trusts.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ScriptedAnswer {
    int status = 200;
    std::string body;       // sent as it is, unless one of the next two is set
    std::string file;       // a file of the test folder sent as the body
    long long size = -1;    // a body of this many 'x' bytes
    std::string mode;       // "drop": send half the body, then break the connection;
                            // "hangup": break it without an answer; "chunked": send the
                            // body in chunks, without a length; "chunked-drop": half
                            // of it so, then break the connection
    double delay = 0;       // seconds before answering
    double pause = 0;       // seconds after the first half of the body
};

ScriptedAnswer Reply(int status, std::string body);
ScriptedAnswer NoAnswer();
ScriptedAnswer ReplyOfSize(long long size, std::string mode = "");
ScriptedAnswer ReplyFromFile(std::string file);

struct RecordedRequest {
    std::string path;
};

// The build machine's own path of a file seen by Wine; empty when it has none.
std::string WineUnixPath(const std::wstring& path);

class HttpsTestServer {
public:
    explicit HttpsTestServer(std::wstring folder) : folder_(std::move(folder)) {}
    ~HttpsTestServer();
    HttpsTestServer(const HttpsTestServer&) = delete;
    HttpsTestServer& operator=(const HttpsTestServer&) = delete;

    // Answers for one path, one per request, the last repeating; set before Start.
    void Route(const std::string& path, std::vector<ScriptedAnswer> answers);
    // Writes a file into the folder, for ScriptedAnswer::file.
    void AddFile(const std::string& name, const std::string& bytes);

    // Starts the server and waits until it listens; false (with a failure) if not.
    bool Start();
    std::string Host() const { return "localhost:" + std::to_string(port_); }
    std::string Url(const std::string& path) const { return "https://" + Host() + path; }

    // Every request so far, in the order served.
    std::vector<RecordedRequest> Requests() const;

private:
    std::wstring folder_;
    std::vector<std::pair<std::string, std::vector<ScriptedAnswer>>> routes_;
    int port_ = 0;
    bool started_ = false;
};
