// The connection string made for FreeTDS, through the real FreeTDS driver to
// a listener that speaks just enough TDS to read what the driver sends: the
// pre-login's encryption wish and the login's protocol version, user,
// database and server. It proves host and port reach the driver apart and
// that the keywords are ones FreeTDS understands.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "adapters/database/open_database.hpp"
#include "odbc_drivers.hpp"

namespace {

struct SeenLogin {
    std::optional<int> encryption;  // the pre-login's ENCRYPTION option
    std::uint32_t tdsVersion = 0;
    std::string user, server, database;
    bool loggedIn = false;
};

bool ReadPacket(int fd, std::vector<unsigned char>& payload) {
    unsigned char header[8];
    std::size_t got = 0;
    while (got < 8) {
        const ssize_t n = ::recv(fd, header + got, 8 - got, 0);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    const std::size_t length = (std::size_t{header[2]} << 8) | header[3];
    if (length < 8) return false;
    payload.assign(length - 8, 0);
    got = 0;
    while (got < payload.size()) {
        const ssize_t n = ::recv(fd, payload.data() + got, payload.size() - got, 0);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

std::string Utf16Field(const std::vector<unsigned char>& login, std::size_t at) {
    if (login.size() < at + 4) return {};
    const std::size_t offset = login[at] | (login[at + 1] << 8), chars = login[at + 2] | (login[at + 3] << 8);
    std::string text;
    for (std::size_t i = 0; i < chars && offset + 2 * i + 1 < login.size(); ++i)
        text += static_cast<char>(login[offset + 2 * i]);
    return text;
}

// Accepts one connection: answers the pre-login with "encryption not
// supported", reads the login and hangs up.
class TdsListener {
public:
    TdsListener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0 || ::listen(fd_, 1) != 0)
            throw std::runtime_error("no loopback port to listen on");
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~TdsListener() {
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        if (thread_.joinable()) thread_.join();
    }
    int Port() const { return port_; }
    const SeenLogin& Seen() {
        if (thread_.joinable()) thread_.join();
        return seen_;
    }

private:
    void Serve() {
        const int client = ::accept(fd_, nullptr, nullptr);
        if (client < 0) return;
        std::vector<unsigned char> packet;
        if (ReadPacket(client, packet)) {
            for (std::size_t i = 0; i + 4 < packet.size() && packet[i] != 0xFF; i += 5) {
                const std::size_t offset = (packet[i + 1] << 8) | packet[i + 2];
                if (packet[i] == 0x01 && offset < packet.size()) seen_.encryption = packet[offset];
            }
            // VERSION and ENCRYPTION (2: not supported), then the terminator.
            const unsigned char answer[] = {0x04, 0x01, 0x00, 8 + 18, 0x00, 0x00, 0x01, 0x00, 0x00,
                                            0x00, 11,   0x00, 6,      0x01, 0x00, 17,   0x00, 1,
                                            0xFF, 0x0F, 0x00, 0x07,   0xD0, 0x00, 0x00, 0x02};
            ::send(client, answer, sizeof answer, MSG_NOSIGNAL);
            if (ReadPacket(client, packet) && packet.size() > 72) {
                seen_.loggedIn = true;
                seen_.tdsVersion = packet[4] | (packet[5] << 8) | (packet[6] << 16) | (std::uint32_t{packet[7]} << 24);
                seen_.user = Utf16Field(packet, 40);
                seen_.server = Utf16Field(packet, 52);
                seen_.database = Utf16Field(packet, 68);
            }
        }
        ::close(client);
    }

    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
    SeenLogin seen_;
};

std::string ProviderString(int port, const std::string& extra) {
    return "Provider=SQLOLEDB.1;Initial Catalog=Korvane;Data Source=tcp:127.0.0.1," + std::to_string(port) +
           ";Persist Security Info=True;User ID=importer;Password=secret" + extra;
}

// Asked to encrypt only when the server insists, the driver offers it and
// logs in with host and port apart; told to encrypt, it requires it and
// never sends the login to a server without it.
TEST(FreeTdsWire, LogsInWithHostPortProtocolAndTheStoredEncryptionWish) {
    if (const auto reason = kv::testing::DriverMissingReason("FreeTDS"); !reason.empty()) GTEST_SKIP() << reason;
    for (const auto& [extra, encryption, loggedIn] :
         {std::tuple{"", 0x00, true}, std::tuple{";Use Encryption for Data=yes", 0x01, false}}) {
        TdsListener listener;
        EXPECT_THROW(kv::adapters::OpenDatabase(ProviderString(listener.Port(), extra), "FreeTDS"), kv::Error);
        const SeenLogin& seen = listener.Seen();
        ASSERT_TRUE(seen.encryption.has_value()) << "no pre-login reached the port";
        EXPECT_EQ(*seen.encryption, encryption) << extra;
        ASSERT_EQ(seen.loggedIn, loggedIn) << extra;
        if (!loggedIn) continue;
        EXPECT_EQ(seen.tdsVersion, 0x74000004u) << std::hex << seen.tdsVersion;
        EXPECT_EQ(seen.user + "@" + seen.server + "/" + seen.database, "importer@127.0.0.1/Korvane");
    }
}

}  // namespace
