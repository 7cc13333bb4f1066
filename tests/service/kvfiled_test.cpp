// kvfiled end to end: one demo world in a temporary folder and the service on
// it over HTTPS on 127.0.0.1 (an ephemeral port, the demo's own certificate
// and tokens signed by its key), driven by a real HTTP client. Filed mails
// are read back by the reader the corpus test uses, rows are counted in the
// demo database, folders are looked at on disk.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <future>
#include <map>
#include <regex>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "adapters/database/open_database.hpp"
#include "adapters/demo/demo_seed.hpp"
#include "fakes/file_text.hpp"
#include "fakes/run_command.hpp"
#include "fakes/temp_dir.hpp"
#include "adapters/odbc/pg_test_server.hpp"
#include "adapters/regfile/regfile_store.hpp"
#include "service/api_types.hpp"
#include "service/demo_world.hpp"
#include "service/listed_targets.hpp"
#include "service/remembered_choices.hpp"
#include "service/service_start.hpp"
#include "service/token_authenticator.hpp"
#include "settings/connection_text.hpp"
#include "settings/settings_key.hpp"
#include "token/test_signer.hpp"

namespace kv::service::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr std::size_t kUploadLimit = 512 << 10;  // below the corpus's large attachment
constexpr std::int32_t kUser = demo::UserRessId, kOther = demo::OtherUserRessId;

using fakes::ReadFileText;
using fakes::RunCommand;
using fakes::ShellWord;

// The database the service runs on: the demo world's SQLite file, or the
// same schema and rows on the PostgreSQL server through psqlODBC.
enum class Backend { Sqlite, Postgres };

std::string BackendName(Backend backend) { return backend == Backend::Sqlite ? "Sqlite" : "PostgreSql"; }
void PrintTo(Backend backend, std::ostream* out) { *out << BackendName(backend); }

// The demo world and the service on it, once per backend for the whole program.
struct Service {
    fakes::TempDir dir{"kvfiled"};
    DemoWorld world = MakeDemoWorld(dir.Path() / "world", 0);
    kv::testing::PostgresServer postgres;
    std::string database;    // on the PostgreSQL server
    std::string skipReason;  // non-empty: no service on this backend here
    std::unique_ptr<FilingServer> server;
    std::thread serving;
    int port = 0;

    explicit Service(Backend backend) {
        if (backend == Backend::Postgres) {
            postgres = kv::testing::FindPostgresServer();
            skipReason = postgres.skipReason;
            if (!skipReason.empty()) return;
            MoveToPostgres();
        }
        ServerOptions options = MakeServerOptions(world.config, {});
        options.maxUploadBytes = kUploadLimit;
        options.threads = 4;
        server = std::make_unique<FilingServer>(options, MakeServiceWorld(world.config),
                                                MakeTokenAuthenticator(world.config));
        port = server->Bind();
        serving = std::thread([this] { server->Serve(); });
    }
    ~Service() {
        if (server) {
            server->Stop();
            serving.join();
        }
        server.reset();
        if (!database.empty()) kv::testing::DropPostgresDatabase(postgres, database);
    }
    static Service& Get(Backend backend = Backend::Sqlite) {
        static std::map<Backend, std::unique_ptr<Service>> services;
        auto& service = services[backend];
        if (!service) service = std::make_unique<Service>(backend);
        return *service;
    }

    // A database of this program's own with the demo's rows, named in the
    // configuration as an administrator names a server: the settings' text
    // and the driver to reach it through. That text has no port; libpq
    // takes it from PGPORT.
    void MoveToPostgres() {
        database = "kvfiled_" + std::to_string(getpid());
        kv::testing::CreatePostgresDatabase(postgres, database);
        kv::testing::LoadKorvaneDemo(*odbc::OpenConnectionString(postgres.ConnectionString(database)),
                                     dir.Path() / "world" / "dokumenter");
        setenv("PGPORT", std::to_string(postgres.port).c_str(), 1);
        json config = json::parse(ReadFileText(world.configFile));
        config["connection"] = "SERVER=127.0.0.1;DATABASE=" + database + ";UID=postgres";
        config["odbcDriver"] = kv::testing::kPostgresDriver;
        std::ofstream(world.configFile, std::ios::binary | std::ios::trunc) << config.dump(2);
        world.config = LoadServiceConfig(world.configFile);
    }

    std::string Token(std::int32_t user) const {
        for (const DemoUser& u : world.users)
            if (u.userRessId == user) return u.token;
        return {};
    }
    // A token signed with the demo's key for objectId ("stranger": someone the
    // user map does not know), issued by the configured issuer or the one given.
    std::string SignedToken(const std::string& objectId, const std::string& issuer = {}) const {
        const auto signer = token::TestSigner::Load(dir.Path() / "world" / "signing-key.pem");
        token::Policy policy;
        policy.audiences = world.config.token.audiences;
        policy.issuerTemplate = issuer.empty() ? world.config.token.issuerTemplate : issuer;
        return signer.Sign(token::ClaimsFor(policy, world.config.token.tenants.front(), objectId,
                                            std::chrono::system_clock::now(), std::chrono::minutes(5)));
    }
    // A client that trusts only the demo's certificate.
    std::unique_ptr<httplib::SSLClient> Client(int toPort = 0) const {
        auto client = std::make_unique<httplib::SSLClient>("127.0.0.1", toPort != 0 ? toPort : port);
        client->set_ca_cert_path((dir.Path() / "world" / "tls-cert.pem").c_str());
        client->enable_server_certificate_verification(true);
        return client;
    }
    fs::path JobFolder(std::int32_t job) const {
        return dir.Path() / "world" / "dokumenter" / "Jobs" / std::to_string(job);
    }
    std::unique_ptr<db::Connection> Database() const {
        return adapters::OpenDatabase(ParseConnectionText(world.config.connectionText), world.config.odbcDriver);
    }
    std::int32_t Rows(const std::string& table) const {
        return Database()->Execute("SELECT COUNT(*) AS n FROM " + table)->Field("n").ToInt();
    }
};

// The cases every backend runs, skipped where it is missing.
class OnBackend : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (const std::string& why = Service::Get(GetParam()).skipReason; !why.empty()) GTEST_SKIP() << why;
    }
    Service& S() const { return Service::Get(GetParam()); }
};

std::string ParamName(const ::testing::TestParamInfo<Backend>& info) { return BackendName(info.param); }

struct Reply {
    int status = 0;
    json body;
    std::string authenticate;
};

Reply Call(const Service& s, const std::string& method, const std::string& path, const std::string& token,
           const std::string& contentType = {}, const std::string& body = {}) {
    const auto client = s.Client();
    httplib::Headers headers;
    // A token with a blank in it is a whole header of another scheme.
    if (!token.empty())
        headers.emplace("Authorization", token.find(' ') == std::string::npos ? "Bearer " + token : token);
    const std::string url = "/api/v1" + path;
    httplib::Result result = method == "GET"   ? client->Get(url.c_str(), headers)
                             : method == "PUT" ? client->Put(url.c_str(), headers, body, contentType.c_str())
                                               : client->Post(url.c_str(), headers, body, contentType.c_str());
    if (!result) {
        ADD_FAILURE() << method << " " << path << ": " << httplib::to_string(result.error());
        return {};
    }
    return {result->status, json::parse(result->body, nullptr, false), result->get_header_value("WWW-Authenticate")};
}

std::string Mail(const std::string& name) { return ReadFileText(fs::path(KV_MAIL_DATA_DIR) / name); }

std::string Encode(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string FilePath(std::int32_t ressId, std::int32_t jobId, const std::string& folder, const std::string& duplicate) {
    return "/mails?ressId=" + std::to_string(ressId) + "&jobId=" + std::to_string(jobId) + "&folder=" + Encode(folder) +
           "&duplicate=" + duplicate;
}

// Every file and folder below dir, so a test sees anything made anywhere.
std::size_t EntriesBelow(const fs::path& dir) {
    std::size_t n = 0;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator(); ++it) ++n;
    return n;
}

// A folder path of levels + 1 names of the given length.
std::string Nested(int levels, std::size_t length) {
    std::string path(length, 'a');
    for (int level = 0; level < levels; ++level) path += "/" + std::string(length, 'a');
    return path;
}

// A duplicate check of count mails.
std::string ManyMails(int count) {
    json body = {{"ressId", 100}, {"jobId", 417}, {"mails", json::array()}};
    for (int i = 0; i < count; ++i)
        body["mails"].push_back(
            {{"id", std::to_string(i)}, {"sender", "x"}, {"subject", "y"}, {"received", "2024-01-01T00:00:00"}});
    return body.dump();
}

class KvfiledRefusals : public OnBackend {};

TEST_P(KvfiledRefusals, EachBadRequestGetsItsStatusAndWritesNothing) {
    Service& s = S();
    // A link inside the job's folder that leads out of it.
    std::error_code ec;
    fs::create_directory_symlink(s.dir.Path(), s.JobFolder(417) / "ud", ec);
    const std::string user = s.Token(kUser);
    const std::string mail = Mail("rapport_utf8.eml");
    struct Case {
        const char* what;
        std::string method, path, token, contentType, body;
        int status;
        const char* error;
        const char* message = nullptr;  // checked where given
    };
    // The user's requests by kind: a GET, a mail filed, JSON sent.
    const auto query = [&](const char* what, const std::string& path, int status, const char* error,
                           const char* message = nullptr) {
        return Case{what, "GET", path, user, "", "", status, error, message};
    };
    const auto upload = [&](const char* what, const std::string& path, const std::string& type, const std::string& body,
                            int status, const char* error, const char* message = nullptr) {
        return Case{what, "POST", path, user, type, body, status, error, message};
    };
    const auto withBody = [&](const char* what, const char* method, const std::string& path, const std::string& body,
                              int status, const char* error, const char* message = nullptr) {
        return Case{what, method, path, user, "application/json", body, status, error, message};
    };
    // A check of one mail received at `received` (JSON) into job 417.
    const auto checkAt = [&](const char* what, const std::string& received, int status, const char* error,
                             const char* message = nullptr) {
        return withBody(
            what, "POST", "/mails/check",
            R"({"ressId":100,"jobId":417,"mails":[{"subject":"x","sender":"y","received":)" + received + "}]}", status,
            error, message);
    };
    const std::string ask = FilePath(100, 417, "", "ask"), rfc822 = "message/rfc822";
    const std::string newFolder = R"({"ressId":100,"jobId":417,"parent":)";
    std::vector<Case> cases = {
        {"no token", "GET", "/me", "", "", "", 401, "unauthorized", "A valid access token is needed"},
        {"a tampered token", "GET", "/me", user.substr(0, user.size() - 4) + "AAAA", "", "", 401, "unauthorized"},
        {"a user the map does not know", "GET", "/me", s.SignedToken("stranger"), "", "", 403, "forbidden"},
        {"a good token under another scheme", "GET", "/me", "Digest " + user, "", "", 401, "unauthorized"},
        {"the scheme in small letters", "GET", "/me", "bearer " + user, "", "", 200, ""},
        {"the health of the service, asked by anyone", "GET", "/health", "", "", "", 200, ""},
        upload("mail as text", ask, "text/plain", mail, 415, "unsupported_media_type",
               "Send the mail as message/rfc822"),
        upload("empty mail", ask, rfc822, "", 422, "unprocessable", "The mail is empty"),
        upload("binary, no mail", ask, rfc822, Mail("rapport_data.bin"), 422, "unprocessable"),
        upload("over the size limit", ask, rfc822, Mail("corpus/13_large_attachment.eml"), 413, "too_large"),
        upload("an unknown duplicate answer", FilePath(100, 417, "", "maybe"), rfc822, mail, 400, "bad_request",
               "duplicate must be ask, file or skip"),
        upload("into a folder link leading out", FilePath(100, 417, "ud", "file"), rfc822, mail, 400, "bad_request"),
        upload("into ..", FilePath(100, 417, "..", "file"), rfc822, mail, 400, "bad_request"),
        upload("into a job of another customer", FilePath(101, 417, "", "file"), rfc822, mail, 403, "forbidden",
               "The user may not file here"),
        withBody("settings not JSON", "PUT", "/me/settings", "[1]", 400, "bad_request"),
        withBody("half a JSON text", "PUT", "/me/settings", "{", 400, "bad_request"),
        {"settings as text", "PUT", "/me/settings", user, "text/plain", "{}", 415, "unsupported_media_type",
         "Send the body as application/json"},
        withBody("a status outside the list", "PUT", "/me/settings", R"({"jobSetting":4})", 422, "unprocessable",
                 "jobSetting must be 1 to 3"),
        withBody("a type that is no number", "PUT", "/me/settings", R"({"ressType":"3"})", 422, "unprocessable"),
        withBody("a mail choice that is no truth value", "PUT", "/me/settings", R"({"mailDelete":1})", 422,
                 "unprocessable", "mailDelete must be true or false"),
        withBody("a type past the list", "PUT", "/me/settings", R"({"ressType":9})", 422, "unprocessable",
                 "ressType must be 0 to 8"),
        withBody("a folder without a name", "POST", "/folders", newFolder + R"(""})", 422, "unprocessable",
                 "parent and name must be texts"),
        withBody("a folder with an empty name", "POST", "/folders", newFolder + R"("","name":""})", 400, "bad_request"),
        withBody("a device name as folder", "POST", "/folders", newFolder + R"("","name":"CON"})", 400, "bad_request"),
        withBody("a folder named as Korvane's own", "POST", "/folders", newFolder + R"("","name":"Jobmappe"})", 400,
                 "bad_request", "The folder name is kept for Korvane"),
        withBody("a folder under ..", "POST", "/folders", newFolder + R"("..","name":"x"})", 400, "bad_request"),
        withBody("101 mails to check", "POST", "/mails/check", ManyMails(101), 413, "too_large",
                 "At most 100 mails at a time"),
        withBody("100 mails to check", "POST", "/mails/check", ManyMails(100), 200, ""),
        withBody("a check without a target", "POST", "/mails/check", R"({"jobId":417,"mails":[]})", 422,
                 "unprocessable"),
        withBody("mails that are no list", "POST", "/mails/check", R"({"ressId":100,"jobId":417,"mails":{}})", 422,
                 "unprocessable", "mails must be a list"),
        withBody("a subject that is no text", "POST", "/mails/check",
                 R"({"ressId":100,"jobId":417,"mails":[{"subject":5,"sender":"y","received":"2024-03-05T14:07:09"}]})",
                 422, "unprocessable", "subject must be a text"),
        checkAt("a received time in UTC with its Z", R"("2024-03-05T14:07:09Z")", 200, ""),
        checkAt("the first second of a month", R"("2024-03-01T00:00:00")", 200, ""),
        checkAt("the last second of a month", R"("2024-03-31T23:59:59")", 200, ""),
        checkAt("a minute past the hour", R"("2024-03-05T14:60:00")", 422, "unprocessable",
                "received must read 2024-03-05T14:07:09 (UTC)"),
        checkAt("an hour past the day", R"("2024-03-05T24:00:00")", 422, "unprocessable"),
        checkAt("a month past the year", R"("2024-13-05T14:07:09")", 422, "unprocessable"),
        checkAt("a received time of another shape", R"("5/3/2024 14:07")", 422, "unprocessable"),
        checkAt("a received time as a number", "5", 422, "unprocessable", "received must be a time text"),
        query("a job number nobody has", "/jobs/by-number/999999", 404, "not_found"),
        query("a closed job among active ones", "/jobs/by-number/420?status=1", 404, "not_found"),
        query("a status past the list", "/resources/100/jobs?status=4", 400, "bad_request", "status must be 1, 2 or 3"),
        query("a status with a tail", "/resources/100/jobs?status=1x", 400, "bad_request"),
        query("a job by a name it lacks", "/resources/100/jobs/by-name?name=Ingen%20s%C3%A5dan&status=3", 404,
              "not_found"),
        query("a job by name of a resource that is no customer", "/resources/200/jobs/by-name?name=Tilbud&status=3",
              404, "not_found"),
        query("a job by its name", "/resources/100/jobs/by-name?name=Tilbud&status=3", 200, ""),
        query("a job by its name in other letters' case", "/resources/100/jobs/by-name?name=tILBUD&status=3", 200, ""),
        query("a folder that is not there", "/folders?ressId=100&jobId=417&path=Findes%20ikke", 404, "not_found"),
        query("a folder path of 32 levels", "/folders?ressId=100&jobId=417&path=" + Encode(Nested(31, 1)), 404,
              "not_found"),
        query("a folder path of 1,024 bytes", "/folders?ressId=100&jobId=417&path=" + Nested(5, 170).substr(1), 404,
              "not_found"),
    };
    // The last two: 33 levels, and 1,025 bytes of good names.
    for (const std::string& path : std::vector<std::string>{
             "..", "../418", "/etc", "Korrespondance/..", "Korrespondance\\..", "C:", "CON", "Korrespondance//x",
             "Korrespondance/", "ARKIV", "Jobmappe", "ud", std::string(300, 'a'), Nested(32, 1), Nested(5, 170)})
        cases.push_back(query("folder path", "/folders?ressId=100&jobId=417&path=" + Encode(path), 400, "bad_request"));
    const std::size_t before = EntriesBelow(s.dir.Path() / "world" / "dokumenter");
    const std::int32_t rows = s.Rows("DocMail");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Reply reply = Call(s, c.method, c.path, c.token, c.contentType, c.body);
        EXPECT_EQ(reply.status, c.status);
        EXPECT_EQ(reply.body.value("error", ""), c.error);
        if (c.message) {
            EXPECT_EQ(reply.body.value("message", ""), c.message);
        }
        if (const std::string byNumber = "/jobs/by-number/"; c.status == 404 && c.path.starts_with(byNumber)) {
            const std::string number = c.path.substr(byNumber.size(), c.path.find('?') - byNumber.size());
            EXPECT_EQ(reply.body.value("message", ""),
                      "Job nr " + number + " blev ikke fundet ");  // the dialog's words
        }
        if (c.status == 401) {
            EXPECT_EQ(reply.authenticate, "Bearer error=\"invalid_token\"");
        }
    }
    EXPECT_EQ(EntriesBelow(s.dir.Path() / "world" / "dokumenter"), before);
    EXPECT_EQ(s.Rows("DocMail"), rows);
    fs::remove(s.JobFolder(417) / "ud");
}

// The rights the dialog's access test asserts for the two demo users, as
// the service enforces them: each customer's jobs of every status, and
// which job and resource folders the user may open.
struct Rights {
    std::int32_t user;
    std::vector<std::int32_t> customers;                               // the type filter "Kunder og Internt"
    std::map<std::int32_t, std::vector<std::int32_t>> jobsOfCustomer;  // all statuses
    std::vector<std::int32_t> companies;                               // "Selskaber"
};

void PrintTo(const Rights& rights, std::ostream* out) { *out << "user " << rights.user; }

const std::map<std::int32_t, std::int32_t> kCustomerOfJob = {{417, 100}, {418, 100}, {419, 100}, {420, 100},
                                                             {421, 100}, {430, 101}, {431, 101}, {440, 102},
                                                             {441, 102}, {450, 103}, {460, 104}};

class KvfiledAccess : public ::testing::TestWithParam<std::tuple<Backend, Rights>> {
protected:
    void SetUp() override {
        if (const std::string& why = S().skipReason; !why.empty()) GTEST_SKIP() << why;
    }
    Service& S() const { return Service::Get(std::get<0>(GetParam())); }
};

std::vector<std::int32_t> Ids(const json& list) {
    std::vector<std::int32_t> ids;
    for (const json& item : list) ids.push_back(item.at("id").get<std::int32_t>());
    return ids;
}

TEST_P(KvfiledAccess, ListsAndFoldersAreExactlyTheUsersOwn) {
    const Rights& r = std::get<1>(GetParam());
    const Service& s = S();
    const std::string token = s.Token(r.user);
    const json types = Call(s, "GET", "/resource-types", token).body;
    EXPECT_EQ(types.size(), 9u);
    EXPECT_EQ(types.at(3), (json{{"id", 3}, {"name", "Kunder og Internt"}}));
    const json customers = Call(s, "GET", "/resources?type=3", token).body;
    EXPECT_EQ(Ids(customers), r.customers);
    EXPECT_EQ(customers.at(0), (json{{"id", 101}, {"name", "Bøgh & Søn A/S"}, {"type", 3}}));
    EXPECT_EQ(Ids(Call(s, "GET", "/resources?type=1", token).body), r.companies);
    for (const auto& [customer, jobs] : r.jobsOfCustomer) {
        SCOPED_TRACE("customer " + std::to_string(customer));
        const Reply reply = Call(s, "GET", "/resources/" + std::to_string(customer) + "/jobs?status=3", token);
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(Ids(reply.body), jobs);
    }
    // A job as the pane shows it: its name, and whether its folder is archived.
    EXPECT_EQ(Call(s, "GET", "/resources/101/jobs?status=3", token).body,
              json::array({json{{"id", 430}, {"name", "Årsregnskab 2024"}, {"archived", false}},
                           json{{"id", 431}, {"name", "Revision af lønsystem"}, {"archived", true}}}));
    for (const auto& [job, customer] : kCustomerOfJob) {
        SCOPED_TRACE("job " + std::to_string(job));
        const auto& visible = r.jobsOfCustomer.at(customer);
        const bool may = std::find(visible.begin(), visible.end(), job) != visible.end();
        const std::string target = "ressId=" + std::to_string(customer) + "&jobId=" + std::to_string(job);
        EXPECT_EQ(Call(s, "GET", "/folders?" + target, token).status, may ? 200 : 403);
        EXPECT_EQ(Call(s, "GET", "/jobs/by-number/" + std::to_string(job) + "?status=3", token).status,
                  may && customer != 103 ? 200 : 404);
    }
    // A company of the other user's is no target of this one.
    for (const std::int32_t company : {10, 12}) {
        const bool may = std::find(r.companies.begin(), r.companies.end(), company) != r.companies.end();
        EXPECT_EQ(Call(s, "GET", "/folders?ressId=" + std::to_string(company), token).status == 403, !may);
    }
}

INSTANTIATE_TEST_SUITE_P(
    DemoUsers, KvfiledAccess,
    ::testing::Combine(
        ::testing::Values(Backend::Sqlite, Backend::Postgres),
        ::testing::Values(
            Rights{kUser,
                   {101, 102, 100},
                   {{100, {417, 418, 419, 420, 421}}, {101, {430, 431}}, {102, {440, 441}}, {103, {450}}, {104, {}}},
                   {10}},
            Rights{kOther, {101, 104}, {{100, {}}, {101, {430, 431}}, {102, {}}, {103, {}}, {104, {460}}}, {12}})),
    [](const auto& info) {
        return BackendName(std::get<0>(info.param)) + "User" + std::to_string(std::get<1>(info.param).user);
    });

std::size_t MsgFiles(const fs::path& folder) {
    std::size_t n = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".msg") ++n;
    return n;
}

// Each .msg read back by the corpus test's reader and compared with the mail
// it was made from, all in one run of it; what it found, or "" when all agree.
std::string ReadBackProblems(const std::vector<std::pair<std::string, fs::path>>& mails, const fs::path& scratch) {
    std::string command = ShellWord(KV_PYTHON) +
                          " -c 'import sys; sys.path.insert(0, sys.argv[1]); import msg_check; " +
                          "sys.exit(max([0] + [msg_check.main([\"compare\", e, m]) for e, m in " +
                          "zip(sys.argv[2::2], sys.argv[3::2])]))' " + fs::path(KV_MSG_CHECK).parent_path().string();
    for (std::size_t i = 0; i < mails.size(); ++i) {
        const fs::path eml = scratch / (std::to_string(i) + ".eml");
        std::ofstream(eml, std::ios::binary) << mails[i].first;
        command += " " + ShellWord(eml.string()) + " " + ShellWord(mails[i].second.string());
    }
    const auto [status, output] = RunCommand(command);
    return status == 0 ? std::string() : "status " + std::to_string(status) + ": " + output;
}

class KvfiledFiling : public OnBackend {};

// Real mails filed over HTTP come out as the import writes them: the .msg
// read back whole by the corpus test's reader, a row each.
TEST_P(KvfiledFiling, RealMailsAreFiledAsTheImportFilesThem) {
    Service& s = S();
    const std::string token = s.Token(kUser);
    const fs::path folder = s.JobFolder(418) / "Korrespondance";
    std::vector<std::pair<std::string, fs::path>> filed;
    for (const std::string name : {"rapport_utf8.eml", "corpus/06_nested_forwards.eml"}) {
        SCOPED_TRACE(name);
        const std::int32_t rows = s.Rows("DocMail");
        const Reply reply =
            Call(s, "POST", FilePath(100, 418, "Korrespondance", "ask"), token, "message/rfc822", Mail(name));
        ASSERT_EQ(reply.status, 201) << reply.body.dump();
        EXPECT_EQ(reply.body.at("folder"), "Korrespondance");
        EXPECT_FALSE(reply.body.at("filedBefore").get<bool>());
        const fs::path msg = folder / reply.body.at("file").get<std::string>();
        ASSERT_TRUE(fs::is_regular_file(msg));
        EXPECT_EQ(s.Rows("DocMail"), rows + 1);
        auto db = s.Database();
        EXPECT_EQ(db->Execute("SELECT SubFld FROM DocMail ORDER BY DocID DESC")->Field("SubFld").ToText(),
                  "Korrespondance");
        filed.emplace_back(Mail(name), msg);
    }
    EXPECT_EQ(MsgFiles(folder), 2u);
    if (!std::string(KV_PYTHON).empty()) {
        EXPECT_EQ(ReadBackProblems(filed, s.dir.Path()), "");
    }
    // The user's file is rewritten only when the target changes: blank lines
    // added at its end would not survive a rewrite.
    const fs::path settingsFile = UserSettingsFile(s.world.config.stateDir, kUser);
    const std::string marked = ReadFileText(settingsFile) + std::string("\r\0\n\0\r\0\n\0", 8);  // UTF-16, as written
    std::ofstream(settingsFile, std::ios::binary) << marked;
    // A mail with neither Date nor Received is dated by its arrival.
    ASSERT_EQ(
        Call(s, "POST", FilePath(100, 418, "", "ask"), token, "message/rfc822", Mail("corpus/07_undated.eml")).status,
        201);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    EXPECT_EQ(
        s.Database()->Execute("SELECT Recieved FROM DocMail ORDER BY DocID DESC")->Field("Recieved").AsDateTime().year,
        local.tm_year + 1900);
    const json me = Call(s, "GET", "/me", token).body;
    EXPECT_EQ(me.at("last"), (json{{"ressId", 100}, {"jobId", 418}}));
    EXPECT_TRUE(ReadFileText(settingsFile) == marked) << "the user's settings file was rewritten";
}

// The duplicate question as the dialog asks it: asked (409, nothing
// written), answered skip (nothing written) and file (a second file).
TEST_P(KvfiledFiling, AMailFiledBeforeIsAskedAboutThenSkippedOrFiledAgain) {
    Service& s = S();
    const std::string token = s.Token(kUser);
    const std::string mail = Mail("tilbud_iso8859.eml");
    const fs::path folder = s.JobFolder(419);
    const Reply first = Call(s, "POST", FilePath(100, 419, "", "ask"), token, "message/rfc822", mail);
    ASSERT_EQ(first.status, 201);

    // The check finds it by what the import recorded, and only it.
    auto db = s.Database();
    auto row = db->Execute("SELECT Sender, Subject, Recieved FROM DocMail ORDER BY DocID DESC");
    const DateTime received = row->Field("Recieved").AsDateTime();
    char iso[32];
    std::snprintf(iso, sizeof iso, "%04d-%02d-%02dT%02d:%02d:%02d", received.year, received.month, received.day,
                  received.hour, received.minute, received.second);
    const json check = {
        {"ressId", 100},
        {"jobId", 419},
        {"mails",
         {{{"id", "a"},
           {"sender", row->Field("Sender").ToText()},
           {"subject", row->Field("Subject").ToText()},
           {"received", iso}},
          {{"id", "c"},
           {"senderName", "Birgitte Møller"},
           {"senderAddress", "birgitte@byg-eksempel.dk"},
           {"subject", row->Field("Subject").ToText()},
           {"received", iso}},
          {{"id", "b"}, {"sender", row->Field("Sender").ToText()}, {"subject", "Andet"}, {"received", iso}}}}};
    const Reply checked = Call(s, "POST", "/mails/check", token, "application/json", check.dump());
    EXPECT_EQ(checked.body.at("results"), (json{{{"id", "a"}, {"filedBefore", true}},
                                                {{"id", "c"}, {"filedBefore", true}},
                                                {{"id", "b"}, {"filedBefore", false}}}));

    // Among a resource's documents (no job) the check asks the resource.
    const json supplier = {{"ressId", demo::Supplier}, {"jobId", 0}, {"mails", check.at("mails")}};
    EXPECT_EQ(Call(s, "POST", "/mails/check", token, "application/json", supplier.dump())
                  .body.at("results")
                  .at(0)
                  .at("filedBefore"),
              false);
    ASSERT_EQ(Call(s, "POST", FilePath(demo::Supplier, 0, "", "ask"), token, "message/rfc822", mail).status, 201);
    EXPECT_EQ(Call(s, "POST", "/mails/check", token, "application/json", supplier.dump())
                  .body.at("results")
                  .at(0)
                  .at("filedBefore"),
              true);

    const std::int32_t rows = s.Rows("DocMail");
    const Reply asked = Call(s, "POST", FilePath(100, 419, "", "ask"), token, "message/rfc822", mail);
    EXPECT_EQ(asked.status, 409);
    EXPECT_EQ(asked.body, (json{{"error", "duplicate"},
                                {"message", "Mail findes allerede i databasen, Vil du alligevel importerer det"}}));
    const Reply skipped = Call(s, "POST", FilePath(100, 419, "", "skip"), token, "message/rfc822", mail);
    EXPECT_EQ(skipped.status, 200);
    EXPECT_EQ(skipped.body, (json{{"skipped", true}}));
    EXPECT_EQ(MsgFiles(folder), 1u);
    EXPECT_EQ(s.Rows("DocMail"), rows);

    const Reply again = Call(s, "POST", FilePath(100, 419, "", "file"), token, "message/rfc822", mail);
    EXPECT_EQ(again.status, 201);
    EXPECT_TRUE(again.body.at("filedBefore").get<bool>());
    EXPECT_NE(again.body.at("file"), first.body.at("file"));
    EXPECT_EQ(MsgFiles(folder), 2u);
    EXPECT_EQ(s.Rows("DocMail"), rows + 1);
}

const auto kBackends = ::testing::Values(Backend::Sqlite, Backend::Postgres);
INSTANTIATE_TEST_SUITE_P(Backends, KvfiledRefusals, kBackends, ParamName);
INSTANTIATE_TEST_SUITE_P(Backends, KvfiledFiling, kBackends, ParamName);

TEST(KvfiledFolders, ANewFolderIsNamedAsTheDialogNamesItAndMadeOnce) {
    Service& s = Service::Get();
    const std::string token = s.Token(kUser);
    const json body = {
        {"ressId", 100}, {"jobId", 420}, {"parent", ""}, {"name", "Møde: referat? " + std::string(40, 'x')}};
    const Reply made = Call(s, "POST", "/folders", token, "application/json", body.dump());
    ASSERT_EQ(made.status, 201);
    const std::string name = made.body.at("name");
    EXPECT_EQ(name.size(), std::string("Møde_ referat_ ").size() + 32 - 15);
    EXPECT_TRUE(fs::is_directory(s.JobFolder(420) / name));
    EXPECT_EQ(made.body.at("path"), name);
    const Reply again = Call(s, "POST", "/folders", token, "application/json", body.dump());
    EXPECT_EQ(again.body, (json{{"error", "folder_exists"}, {"message", "Folder findes i forvejen"}}));
    const json listed = Call(s, "GET", "/folders?ressId=100&jobId=420", token).body;
    EXPECT_EQ(listed.at("name"), "420");
    // Each sub-folder with whether it has one of its own to show; the hidden ones left out.
    json folders = json::array();
    for (const auto& [folder, hasChildren] : {std::pair<std::string, bool>{"Korrespondance", true},
                                              {name, false},
                                              {"Tegninger og billeder", false},
                                              {"Tilbud", false}})
        folders.push_back({{"name", folder}, {"path", folder}, {"hasChildren", hasChildren}});
    EXPECT_EQ(listed.at("folders"), folders);
    // Another user who cannot see the job cannot make folders in it.
    EXPECT_EQ(Call(s, "POST", "/folders", s.Token(kOther), "application/json", body.dump()).status, 403);
    // The tree's label is the folder's name, whole at the longest a name can be.
    const fs::path longest = s.JobFolder(420) / std::string(255, 'k');
    fs::create_directory(longest);
    const auto moveJob = [&](const fs::path& folder) {
        s.Database()->Execute("UPDATE JobFldPath SET FldPri = ? WHERE JobID = 420", {folder.string()})->Close();
    };
    moveJob(longest);
    EXPECT_EQ(Call(s, "GET", "/folders?ressId=100&jobId=420", token).body.value("name", ""),
              longest.filename().string());
    moveJob(s.JobFolder(420));
}

TEST(KvfiledSettings, EachUserKeepsTheirOwnRememberedChoices) {
    Service& s = Service::Get();
    const Reply put = Call(s, "PUT", "/me/settings", s.Token(kOther), "application/json",
                           R"({"ressType":3,"jobSetting":2,"mailDelete":true})");
    EXPECT_EQ(put.status, 204);
    EXPECT_EQ(Call(s, "GET", "/me", s.Token(kOther)).body.at("settings"),
              (json{{"ressType", 3}, {"jobSetting", 2}, {"mailDelete", true}}));
    const json me = Call(s, "GET", "/me", s.Token(kUser)).body;
    EXPECT_EQ(me.at("userRessId"), kUser);
    EXPECT_EQ(me.at("settings").at("jobSetting"), 1);
    EXPECT_EQ(me.at("settings").at("ressType"), 0);
    // The remembered status is the lists' default: closed jobs only.
    EXPECT_EQ(Ids(Call(s, "GET", "/resources/101/jobs", s.Token(kOther)).body), (std::vector<std::int32_t>{431}));
}

// A user's settings file edited by hand: a value the dialog could not show
// counts as its default, as the dialog would take it.
TEST(KvfiledSettings, StoredValuesOutsideTheirRangeCountAsTheDefault) {
    const struct {
        std::int32_t jobSetting, mailDelete;
        std::int32_t readJobSetting;
        bool readMailDelete;
    } cases[] = {{0, 0, 1, false}, {-1, 3, 1, false}, {4, 1, 1, true}, {3, 2, 3, false}, {2, 1, 2, true}};
    for (const auto& c : cases) {
        fakes::TempDir dir;
        regfile::RegFileStore store(dir / "user.reg");
        settings::WriteNumber(store, "JobSetting", c.jobSetting);
        settings::WriteNumber(store, "MailDelete", c.mailDelete);
        const service::RememberedChoices read = service::ReadRememberedChoices(store);
        EXPECT_EQ(read.jobSetting, c.readJobSetting) << c.jobSetting;
        EXPECT_EQ(read.mailDelete, c.readMailDelete) << c.mailDelete;
    }
}

// A mail the database refuses to record is answered 500, and the service's
// log says what the import was told.
TEST(KvfiledRecording, AMailTheDatabaseRefusesIsLoggedWithWhatTheImportWasTold) {
    Service& s = Service::Get();
    s.Database()
        ->Execute("CREATE TRIGGER refuse BEFORE INSERT ON DocMail BEGIN SELECT RAISE(ABORT, 'optaget'); END")
        ->Close();
    const Reply reply =
        Call(s, "POST", FilePath(100, 421, "", "file"), s.Token(kUser), "message/rfc822", Mail("no_from.eml"));
    s.Database()->Execute("DROP TRIGGER refuse")->Close();
    EXPECT_EQ(reply.status, 500);
    const std::string log = ReadFileText(s.world.config.stateDir / "kvfiled.log");
    const auto at = log.rfind("kvfiled: not recorded: ");
    ASSERT_NE(at, std::string::npos) << log;
    EXPECT_NE(log.substr(at, log.find('\n', at) - at).find("optaget"), std::string::npos) << log.substr(at);
}

// Idle connections the server has dropped (a restart, an idle timeout) cost
// no request its answer.
TEST(KvfiledPostgres, ConnectionsTheServerDroppedAreOpenedAgain) {
    Service& s = Service::Get(Backend::Postgres);
    if (!s.skipReason.empty()) GTEST_SKIP() << s.skipReason;
    const std::string token = s.Token(kUser);
    ASSERT_EQ(Call(s, "GET", "/resources?type=3", token).status, 200);
    s.Database()
        ->Execute(
            "SELECT pg_terminate_backend(pid) AS gone FROM pg_stat_activity "
            "WHERE datname = current_database() AND pid <> pg_backend_pid()")
        ->Close();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Call(s, "GET", "/resources?type=3", token).status, 200);
    EXPECT_NE(ReadFileText(s.world.config.stateDir / "kvfiled.log").find("Connect: an idle connection failed"),
              std::string::npos);
}

// A right found is kept for its age, so a user filing mail after mail is not
// checked against every resource each time; a refusal is not kept.
TEST(KvfiledRights, ARightFoundIsKeptForItsAgeAndARefusalIsAskedAgain) {
    Service& s = Service::Get(Backend::Sqlite);
    auto db = s.Database();
    std::chrono::steady_clock::time_point now{};
    ListedTargets targets(std::chrono::seconds(60), [&now] { return now; });
    const auto status = [&] {
        try {
            targets.Require(*db, kUser, 101, 430);
            return 200;
        } catch (const ApiError& refused) {
            return refused.status;
        }
    };
    EXPECT_EQ(status(), 200);
    db->Execute("UPDATE Ress SET RessAktiv = 0 WHERE RessID = 101")->Close();  // no list has it now
    now += std::chrono::seconds(59);
    EXPECT_EQ(status(), 200);
    now += std::chrono::seconds(1);
    EXPECT_EQ(status(), 403);
    db->Execute("UPDATE Ress SET RessAktiv = 1 WHERE RessID = 101")->Close();
    EXPECT_EQ(status(), 200);
    EXPECT_THROW(targets.Require(*db, kOther, 101, 999), ApiError);  // another user's, another job's: asked
}

// kvfiled started as its own process on the demo world's configuration; its
// standard output tells the port. Stopped (SIGTERM) when the object goes.
class ServiceProcess {
public:
    explicit ServiceProcess(const fs::path& config) {
        int out[2];
        if (pipe(out) != 0) throw std::runtime_error("no pipe");
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            execl(KV_KVFILED, KV_KVFILED, "--config", config.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        FILE* output = fdopen(out[0], "r");
        char line[512];
        // The first line names the address; a service that fails to start ends the output.
        while (port_ == 0 && output != nullptr && std::fgets(line, sizeof line, output) != nullptr)
            if (const char* at = std::strstr(line, "127.0.0.1:")) port_ = std::atoi(at + 10);
        if (output != nullptr) std::fclose(output);
    }
    ~ServiceProcess() {
        if (pid_ > 0) kill(pid_, SIGTERM);
        Reap();
    }
    // Gone at once, whatever it was doing.
    void Kill() {
        kill(pid_, SIGKILL);
        Reap();
    }
    int Port() const { return port_; }

private:
    void Reap() {
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    pid_t pid_ = -1;
    int port_ = 0;
};

std::string LoadMail(int n) {
    return "From: Kunde " + std::to_string(n) + " <kunde" + std::to_string(n) +
           "@eksempel.dk>\r\nTo: Mette <mette@korvane.example>\r\nSubject: Belastning " + std::to_string(n) +
           "\r\nDate: Mon, 4 Mar 2024 10:00:00 +0000\r\nMessage-ID: <" + std::to_string(n) +
           "@eksempel.dk>\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nTekst " + std::to_string(n) + "\r\n";
}

// The import's temporary name ("~kv", 12 hex digits, ".tmp"), the .msg
// writer's ".part" of it, libgsf's ".gsf-save-XXXXXX".
bool IsOurTemporaryName(const std::string& name) {
    static const std::regex ours(R"(~kv[0-9a-f]{12}\.tmp(\.part)?|\.gsf-save-[A-Za-z0-9]{6})");
    return std::regex_match(name, ours);
}

class KvfiledFaults : public OnBackend {};

// Two instances over one database and share, one killed (SIGKILL) while its
// clients' requests are in flight: a mail answered 201 has its whole .msg
// and its row, no row lacks its file, a save cut short leaves only our
// temporary names, the other instance files on, and a mail whose request
// died is asked about (409) only when its row is there, else filed now.
TEST_P(KvfiledFaults, AnInstanceKilledMidRunReportsNothingHalfWrittenAsFiled) {
    constexpr int kClients = 4, kMailsPerClient = 30, kFirstMail = 1000;
    constexpr std::int32_t kJob = 440;
    Service& s = S();
    ServiceProcess victim(s.world.configFile);
    const ServiceProcess survivor(s.world.configFile);
    ASSERT_NE(victim.Port(), 0);
    ASSERT_NE(survivor.Port(), 0);
    const std::string token = s.Token(kUser);
    const std::string path = "/api/v1" + FilePath(102, kJob, "", "ask");
    const auto client = [&](int port) {
        auto c = s.Client(port);
        c->set_connection_timeout(5, 0);
        c->set_read_timeout(30, 0);
        return c;
    };
    const httplib::Headers headers = {{"Authorization", "Bearer " + token}};
    struct Outcome {
        int status = 0;  // 0: not sent, -1: no answer
        std::string file;
    };
    std::vector<std::vector<Outcome>> outcomes(kClients, std::vector<Outcome>(kMailsPerClient));
    std::atomic<int> filedByVictim{0};
    std::vector<std::thread> clients;
    // Clients 0 and 1 file through the victim and stop at its first silence.
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            const auto http = client(c < 2 ? victim.Port() : survivor.Port());
            for (int m = 0; m < kMailsPerClient; ++m) {
                auto result =
                    http->Post(path.c_str(), headers, LoadMail(kFirstMail + c * kMailsPerClient + m), "message/rfc822");
                Outcome& out = outcomes[c][m];
                out.status = result ? result->status : -1;
                if (out.status == 201) out.file = json::parse(result->body).value("file", "");
                if (out.status == 201 && c < 2) ++filedByVictim;
                if (out.status == -1) break;
            }
        });
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (filedByVictim < 6 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    victim.Kill();
    for (std::thread& t : clients) t.join();
    ASSERT_GE(filedByVictim, 6) << "the victim filed too little before the deadline";

    // Rows of the job by subject, and the file each names.
    const auto rowsBySubject = [&] {
        std::multimap<std::string, std::string> rows;
        auto rs = s.Database()->Execute(
            "SELECT DocMail.Subject, DocMail.FName FROM JobDoc INNER JOIN DocMail ON JobDoc.DocId = DocMail.DocID "
            "WHERE JobDoc.jobID = " +
            std::to_string(kJob));
        for (; !rs->EndOfFile(); rs->MoveNext())
            rows.emplace(rs->Field("Subject").ToText(), rs->Field("FName").ToText());
        return rows;
    };
    const auto rows = rowsBySubject();
    const fs::path folder = s.JobFolder(kJob);
    std::vector<std::pair<std::string, fs::path>> filed;
    std::vector<int> died;
    for (int c = 0; c < kClients; ++c) {
        for (int m = 0; m < kMailsPerClient; ++m) {
            const int mail = kFirstMail + c * kMailsPerClient + m;
            const Outcome& out = outcomes[c][m];
            SCOPED_TRACE("mail " + std::to_string(mail) + ": " + std::to_string(out.status));
            if (c >= 2) {
                EXPECT_EQ(out.status, 201) << "the survivor stopped filing";
            }
            if (out.status == -1) died.push_back(mail);
            if (out.status != 201) continue;
            EXPECT_TRUE(fs::is_regular_file(folder / out.file));
            const auto [first, last] = rows.equal_range("Belastning " + std::to_string(mail));
            EXPECT_EQ(std::distance(first, last), 1);
            if (first != last) {
                EXPECT_EQ(first->second, out.file);
            }
            filed.emplace_back(LoadMail(mail), folder / out.file);
        }
    }
    EXPECT_GE(died.size(), 1u) << "the victim's clients saw no request die";
    for (const auto& [subject, file] : rows) EXPECT_TRUE(fs::is_regular_file(folder / file)) << subject << ": " << file;
    // Besides the demo's folders: .msg files and what a cut-short save leaves.
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_directory()) {
            EXPECT_TRUE(entry.path().extension() == ".msg" || IsOurTemporaryName(name)) << name;
        }
    }
    if (!std::string(KV_PYTHON).empty()) {
        EXPECT_EQ(ReadBackProblems(filed, s.dir.Path()), "");
    }

    // Each mail whose request died, filed again through the survivor.
    const auto http = client(survivor.Port());
    for (const int mail : died) {
        const bool recorded = rows.count("Belastning " + std::to_string(mail)) > 0;
        auto result = http->Post(path.c_str(), headers, LoadMail(mail), "message/rfc822");
        ASSERT_TRUE(result) << mail;
        EXPECT_EQ(result->status, recorded ? 409 : 201) << mail;
    }
    EXPECT_EQ(rowsBySubject().size(),
              rows.size() + static_cast<std::size_t>(std::count_if(died.begin(), died.end(), [&](int mail) {
                  return rows.count("Belastning " + std::to_string(mail)) == 0;
              })));
    // The killed instance, started again, clears at its first save into the
    // folder what a save killed an hour ago left, not what one under way has
    // written so far.
    const fs::path stale = folder / "~kv0123456789ab.tmp", underWay = folder / "~kv0123456789ac.tmp.part";
    std::ofstream(stale) << "halv";
    std::ofstream(underWay) << "halv";
    fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::hours(2));
    const ServiceProcess restarted(s.world.configFile);
    auto last = client(restarted.Port())
                    ->Post(path.c_str(), headers, LoadMail(kFirstMail + kClients * kMailsPerClient), "message/rfc822");
    ASSERT_TRUE(last);
    EXPECT_EQ(last->status, 201);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(underWay));
}

INSTANTIATE_TEST_SUITE_P(Backends, KvfiledFaults, kBackends, ParamName);

// A configuration that cannot work is refused at start, saying why.
// A stop that comes before the server listens is not lost (a signal at
// start, a test over before its server began).
TEST(KvfiledStart, AStopBeforeServingEndsTheServing) {
    Service& s = Service::Get();
    FilingServer server(MakeServerOptions(s.world.config, {}), MakeServiceWorld(s.world.config),
                        MakeTokenAuthenticator(s.world.config));
    server.Bind();
    server.Stop();
    std::future<bool> served = std::async(std::launch::async, [&server] { return server.Serve(); });
    ASSERT_EQ(served.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST(KvfiledStart, AConfigurationThatCannotWorkIsRefused) {
    const json good = {{"connection", "SERVER=(sqlite);DATABASE=k.db"},
                       {"stateDir", "state"},
                       {"threads", 256},
                       {"address", "0.0.0.0"},
                       {"userMap", "users.txt"},
                       {"token",
                        {{"audience", "app"},
                         {"issuer", "https://sts.example/{tenantid}/"},
                         {"tenants", {"t"}},
                         {"jwksFile", "jwks.json"}}}};
    const ServiceConfig parsed = ParseServiceConfig(good.dump(), "/etc/kv");
    EXPECT_EQ(parsed.stateDir, fs::path("/etc/kv/state"));
    EXPECT_EQ(parsed.threads, 256);
    EXPECT_EQ(parsed.address, "0.0.0.0");
    EXPECT_EQ(parsed.token.issuerTemplate, "https://sts.example/{tenantid}/");
    const auto with = [&](const json& patch) {
        json config = good;
        config.merge_patch(patch);
        return config;
    };
    const std::vector<std::pair<json, std::string>> cases = {
        {json::object(), "name the database"},
        {with({{"registry", "r.reg"}}), "name the database"},
        {with({{"stateDir", nullptr}}), "stateDir"},
        {with({{"userMap", nullptr}}), "userMap"},
        {with({{"port", 70000}}), "port"},
        {with({{"threads", 0}}), "threads"},
        {with({{"threads", 257}}), "threads"},
        {with({{"token", "app"}}), "\"token\" must be an object"},
        {with({{"maxUploadBytes", 0}}), "maxUploadBytes"},
        {with({{"certificate", "c.pem"}}), "privateKey"},
        {with({{"token", {{"audience", nullptr}}}}), "audience"},
        {with({{"token", {{"jwksUrl", "https://keys"}}}}), "jwksFile"},
        {with({{"port", "443"}}), "wrong type"},
    };
    std::vector<std::pair<std::string, std::string>> texts = {{"{", "configuration: not JSON"}};
    for (const auto& [config, why] : cases) texts.emplace_back(config.dump(), why);
    for (const auto& [text, why] : texts) {
        SCOPED_TRACE(text);
        try {
            ParseServiceConfig(text, "/etc/kv");
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_NE(e.Description().find(why), std::string::npos) << e.Description();
        }
    }
    // A port a running kvfiled listens on cannot be listened on: a second
    // instance must not share it.
    Service& s = Service::Get();
    ServerOptions options = MakeServerOptions(s.world.config, {});
    options.port = s.port;
    FilingServer second(options, MakeServiceWorld(s.world.config), MakeTokenAuthenticator(s.world.config));
    EXPECT_THROW(second.Bind(), Error);
}

// A database out of reach is told to every signed-in caller as the dialog
// tells it, and by the health check; a token is checked against the issuer
// the configuration names.
TEST(KvfiledStart, ADatabaseOutOfReachIsToldAsTheDialogTellsIt) {
    Service& s = Service::Get();
    ServiceConfig config = s.world.config;
    config.connectionText = "SERVER=(sqlite);DATABASE=" + (s.dir.Path() / "findes ikke.db").string();
    config.token.issuerTemplate = "https://sts.example/{tenantid}/";
    FilingServer down(MakeServerOptions(config, {}), MakeServiceWorld(config), MakeTokenAuthenticator(config));
    const int port = down.Bind();
    std::thread serving([&down] { down.Serve(); });
    const auto client = s.Client(port);
    const auto me = [&](const std::string& token) {
        return client->Get("/api/v1/me", httplib::Headers{{"Authorization", "Bearer " + token}});
    };
    const auto health = client->Get("/api/v1/health");
    const auto ours = me(s.SignedToken(s.world.users.front().objectId, config.token.issuerTemplate));
    const auto otherIssuer = me(s.Token(kUser));
    down.Stop();
    serving.join();
    ASSERT_TRUE(health && ours && otherIssuer);
    EXPECT_EQ(health->status, 503);
    EXPECT_EQ(json::parse(health->body), (json{{"status", "unavailable"}}));
    EXPECT_EQ(ours->status, 503);
    EXPECT_EQ(
        json::parse(ours->body),
        (json{{"error", "unavailable"}, {"message", "Start Korvane mindst en gang før denne funktion kan bruges"}}));
    EXPECT_EQ(otherIssuer->status, 401);
    // A demo is made only in a new or empty folder, never over a world in use.
    try {
        MakeDemoWorld(s.dir.Path() / "world", 0);
        ADD_FAILURE() << "a demo made over the world in use";
    } catch (const Error& e) {
        EXPECT_EQ(e.Description(), (s.dir.Path() / "world").string() + " is not a new or empty folder");
    }
}

}  // namespace
}  // namespace kv::service::test
