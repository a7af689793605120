// Host names and ICMP echo as Windows answers them, on the lab's network.
#include "LabTest.h"

#include "platform/NameResolution.h"

#include <cstring>
#include <vector>

namespace {

using labtest::LabTest;

class LabNameResolution : public LabTest {
protected:
    void TearDown() override {
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
