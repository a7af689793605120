// Host names and ICMP echo as Windows answers them, on the lab's network.
#include "LabTest.h"

#include "platform/NameResolution.h"

#include <cstring>
#include <vector>

namespace {

using labtest::LabTest;

// Winsock is started for each test, as a process that resolves names must.
class LabNameResolution : public LabTest {
protected:
    void SetUp() override {
        LabTest::SetUp();
        WSADATA data;
        ASSERT_EQ(0, plat::WSAStartup(MAKEWORD(2, 2), &data));
    }
    void TearDown() override {
        EXPECT_EQ(0, plat::WSACleanup());
        EXPECT_EQ(L"clean", lab::LeakReport());
        LabSetVirtualClock(FALSE);
        LabTest::TearDown();
    }
    static IPAddr Address(unsigned a, unsigned b, unsigned c, unsigned d) {
        const unsigned char bytes[4] = {static_cast<unsigned char>(a), static_cast<unsigned char>(b),
                                        static_cast<unsigned char>(c), static_cast<unsigned char>(d)};
        IPAddr address;
        std::memcpy(&address, bytes, 4);
        return address;
    }
    // One echo of 72 bytes with a reply buffer of `replyBytes`.
    static DWORD Echo(HANDLE icmp, IPAddr to, std::vector<unsigned char>& reply, DWORD timeout = 5000) {
        unsigned char data[72];
        std::memset(data, 'x', sizeof data);
        return plat::IcmpSendEcho(icmp, to, data, sizeof data, nullptr, reply.data(), static_cast<DWORD>(reply.size()),
                                  timeout);
    }
};

// Each test runs in a process of its own, which has not started Winsock.
using LabWinsock = LabTest;

TEST_F(LabWinsock, NamesResolveOnlyWhileStartedAndStartsAreCounted) {
    const char fs01[4] = {10, 0, 0, 20};
    auto byName = [] { return plat::gethostbyname("fs01") != nullptr; };
    auto byAddress = [&] { return plat::gethostbyaddr(fs01, 4, AF_INET) != nullptr; };
    auto refused = [](bool resolved) { return !resolved && ::GetLastError() == static_cast<DWORD>(WSANOTINITIALISED); };

    EXPECT_TRUE(refused(byName()));
    EXPECT_TRUE(refused(byAddress()));
    EXPECT_EQ(0u, LabCallCount(nullptr, "gethostbyname")) << "refused before reaching the network";
    ::SetLastError(0);
    EXPECT_EQ(SOCKET_ERROR, plat::WSACleanup());
    EXPECT_EQ(static_cast<DWORD>(WSANOTINITIALISED), ::GetLastError());

    // Two starts need two cleanups.
    WSADATA data;
    ASSERT_EQ(0, plat::WSAStartup(MAKEWORD(2, 2), &data));
    ASSERT_EQ(0, plat::WSAStartup(MAKEWORD(1, 1), &data));
    EXPECT_TRUE(byName());
    EXPECT_TRUE(byAddress());
    EXPECT_EQ(0, plat::WSACleanup());
    EXPECT_TRUE(byName());
    EXPECT_EQ(0, plat::WSACleanup());
    EXPECT_TRUE(refused(byName()));
}

TEST_F(LabWinsock, StartNegotiatesTheVersionAndAnswersItsErrorDirectly) {
    struct Case {
        WORD requested;
        int result;
        WORD version;  // when started
    };
    const Case cases[] = {
        {MAKEWORD(1, 1), 0, MAKEWORD(1, 1)},
        {MAKEWORD(3, 0), 0, MAKEWORD(2, 2)},  // higher than known: the highest
        {MAKEWORD(0, 9), WSAVERNOTSUPPORTED, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.requested);
        WSADATA data{};
        ::SetLastError(0xdeadbeef);
        ASSERT_EQ(c.result, plat::WSAStartup(c.requested, &data));
        EXPECT_EQ(0xdeadbeefu, ::GetLastError()) << "the result is the error";
        if (c.result != 0) continue;
        EXPECT_EQ(c.version, data.wVersion);
        EXPECT_EQ(MAKEWORD(2, 2), data.wHighVersion);
        EXPECT_EQ(0, plat::WSACleanup());
    }
    EXPECT_EQ(WSAEFAULT, plat::WSAStartup(MAKEWORD(2, 2), nullptr));
    LabAddFault(nullptr, "WSAStartup", WSASYSNOTREADY, 1, 1);
    WSADATA data;
    EXPECT_EQ(WSASYSNOTREADY, plat::WSAStartup(MAKEWORD(2, 2), &data));
    EXPECT_EQ(SOCKET_ERROR, plat::WSACleanup()) << "failed starts are not counted";
}

TEST_F(LabNameResolution, NamesAndAddressesBothWays) {
    const hostent* byName = plat::gethostbyname("fs01");
    ASSERT_NE(nullptr, byName);
    EXPECT_STREQ("fs01.lab.local", byName->h_name);
    EXPECT_EQ(AF_INET, byName->h_addrtype);
    ASSERT_EQ(4, byName->h_length);
    EXPECT_EQ(0, std::memcmp(byName->h_addr_list[0], "\x0A\x00\x00\x14", 4));
    EXPECT_EQ(nullptr, byName->h_addr_list[1]);

    const IPAddr fs01 = Address(10, 0, 0, 20);
    const hostent* byAddress = plat::gethostbyaddr(reinterpret_cast<const char*>(&fs01), 4, AF_INET);
    ASSERT_NE(nullptr, byAddress);
    EXPECT_STREQ("fs01.lab.local", byAddress->h_name);

    // An offline computer still has its name in DNS.
    const IPAddr laptop = Address(10, 0, 0, 107);
    const hostent* offline = plat::gethostbyaddr(reinterpret_cast<const char*>(&laptop), 4, AF_INET);
    ASSERT_NE(nullptr, offline);
    EXPECT_STREQ("laptop07.lab.local", offline->h_name);
}

TEST_F(LabNameResolution, UnknownNamesAndBadArguments) {
    ::SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, plat::gethostbyname("nosuch"));
    EXPECT_EQ(static_cast<DWORD>(WSAHOST_NOT_FOUND), ::GetLastError());
    const IPAddr stranger = Address(192, 168, 7, 7);
    ::SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, plat::gethostbyaddr(reinterpret_cast<const char*>(&stranger), 4, AF_INET));
    EXPECT_EQ(static_cast<DWORD>(WSAHOST_NOT_FOUND), ::GetLastError());
    EXPECT_EQ(nullptr, plat::gethostbyaddr(reinterpret_cast<const char*>(&stranger), 16, AF_INET));
    EXPECT_EQ(static_cast<DWORD>(WSAEFAULT), ::GetLastError());
    EXPECT_EQ(nullptr, plat::gethostbyaddr(reinterpret_cast<const char*>(&stranger), 4, AF_INET6));
    EXPECT_EQ(static_cast<DWORD>(WSAEAFNOSUPPORT), ::GetLastError());
    LabAddFault(L"10.0.0.20", "gethostbyaddr", WSATRY_AGAIN, 1, 1);
    const IPAddr fs01 = Address(10, 0, 0, 20);
    EXPECT_EQ(nullptr, plat::gethostbyaddr(reinterpret_cast<const char*>(&fs01), 4, AF_INET));
    EXPECT_EQ(static_cast<DWORD>(WSATRY_AGAIN), ::GetLastError());
}

TEST_F(LabNameResolution, EchoReachesOnlineComputers) {
    HANDLE icmp = plat::IcmpCreateFile();
    ASSERT_NE(INVALID_HANDLE_VALUE, icmp);
    EXPECT_EQ(1u, LabOutstanding(LAB_KIND_ICMP_HANDLE));
    std::vector<unsigned char> reply(sizeof(ICMP_ECHO_REPLY) + 72 + 8);
    ASSERT_EQ(1u, Echo(icmp, Address(10, 0, 0, 20), reply));
    const auto& r = *reinterpret_cast<const ICMP_ECHO_REPLY*>(reply.data());
    EXPECT_EQ(static_cast<ULONG>(IP_SUCCESS), r.Status);
    EXPECT_EQ(Address(10, 0, 0, 20), r.Address);
    EXPECT_EQ(72u, r.DataSize);
    EXPECT_EQ(0, std::memcmp(r.Data, std::vector<unsigned char>(72, 'x').data(), 72));
    EXPECT_EQ(1u, LabCallCount(L"FS01", "IcmpSendEcho"));
    EXPECT_TRUE(plat::IcmpCloseHandle(icmp));
    EXPECT_FALSE(plat::IcmpCloseHandle(icmp));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), ::GetLastError());
    EXPECT_EQ(1u, LabBadReleases());
    LabResetAccounting();
}

TEST_F(LabNameResolution, SilentHostsTimeOutAfterTheCallersTimeout) {
    LabSetVirtualClock(TRUE);
    HANDLE icmp = plat::IcmpCreateFile();
    std::vector<unsigned char> reply(sizeof(ICMP_ECHO_REPLY) + 72 + 8);
    for (IPAddr silent : {Address(10, 0, 0, 107) /* offline */, Address(10, 9, 9, 9) /* nobody */}) {
        const ULONGLONG before = LabVirtualTime();
        ::SetLastError(0);
        EXPECT_EQ(0u, Echo(icmp, silent, reply, 5000));
        EXPECT_EQ(static_cast<DWORD>(IP_REQ_TIMED_OUT), ::GetLastError());
        EXPECT_EQ(static_cast<ULONG>(IP_REQ_TIMED_OUT), reinterpret_cast<const ICMP_ECHO_REPLY*>(reply.data())->Status);
        EXPECT_EQ(before + 5000, LabVirtualTime());
    }
    plat::IcmpCloseHandle(icmp);
}

TEST_F(LabNameResolution, EchoNeedsRoomForRecordDataAndErrorAndAValidHandle) {
    HANDLE icmp = plat::IcmpCreateFile();
    std::vector<unsigned char> tight(sizeof(ICMP_ECHO_REPLY) + 72 + 7);
    ::SetLastError(0);
    EXPECT_EQ(0u, Echo(icmp, Address(10, 0, 0, 20), tight));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), ::GetLastError());
    std::vector<unsigned char> reply(sizeof(ICMP_ECHO_REPLY) + 80);
    EXPECT_EQ(0u, Echo(reinterpret_cast<HANDLE>(0x1234), Address(10, 0, 0, 20), reply));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), ::GetLastError());
    plat::IcmpCloseHandle(icmp);
}

}  // namespace
