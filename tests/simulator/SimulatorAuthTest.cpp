// Authentication against the simulator with RSA and EC keys made for the test.
#include "ClientTestSupport.h"
#include "Device.h"
#include "RawClient.h"
#include "SimProcess.h"
#include "SslUtil.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {
using ondrel::simtest::RawClient;
using ondrel::testsupport::TempDir;
using ondrel::testsupport::SimProcess;
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;

// Writes LEVEL.priv.pem and LEVEL.pub.pem into `dir`.
void WriteKeyPair(const TempDir& dir, const std::string& level, EVP_PKEY* key)
{
    FILE* priv = std::fopen(dir.File(level + ".priv.pem").c_str(), "wb");
    ASSERT_NE(priv, nullptr);
    ASSERT_EQ(PEM_write_PrivateKey(priv, key, nullptr, nullptr, 0, nullptr, nullptr), 1);
    std::fclose(priv);
    FILE* pub = std::fopen(dir.File(level + ".pub.pem").c_str(), "wb");
    ASSERT_NE(pub, nullptr);
    ASSERT_EQ(PEM_write_PUBKEY(pub, key), 1);
    std::fclose(pub);
}

class SimulatorAuth : public ::testing::Test {
protected:
    // Key generation (RSA above all) is the slow part, so the keys are made once.
    static void SetUpTestSuite()
    {
        keys = new TempDir();
        Key rsa(EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", static_cast<size_t>(2048)));
        Key ec(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
        ASSERT_TRUE(rsa && ec);
        WriteKeyPair(*keys, "USER", rsa.get());
        WriteKeyPair(*keys, "ADMIN", ec.get());
    }
    static void TearDownTestSuite()
    {
        delete keys;
        keys = nullptr;
    }

    void Launch(bool withKeys = true)
    {
        std::vector<std::string> args;
        if (withKeys) {
            args = { "--keys", keys->Path().string() };
        }
        sim = std::make_unique<SimProcess>(args);
        ASSERT_EQ(device.Connect(sim->host(), sim->port()).code, 0u);
    }

    std::string Level(quorvel::Device& on)
    {
        std::string level;
        const quorvel::DeviceError result = on.GetCurrentAuthGroup(level);
        EXPECT_EQ(result.code, 0u) << result.message;
        return level;
    }

    static std::string PrivateKey(const std::string& level) { return keys->File(level + ".priv.pem"); }

    static TempDir* keys;
    std::unique_ptr<SimProcess> sim;
    quorvel::Device device;
};

TempDir* SimulatorAuth::keys = nullptr;

TEST_F(SimulatorAuth, RsaAndEcKeysGrantTheirLevelsPerConnection)
{
    Launch();
    quorvel::DeviceError result = device.Authenticate("USER", PrivateKey("USER"));
    ASSERT_EQ(result.code, 0u) << result.message;
    EXPECT_EQ(Level(device), "USER");
    result = device.Authenticate("ADMIN", PrivateKey("ADMIN"));
    ASSERT_EQ(result.code, 0u) << result.message;
    EXPECT_EQ(Level(device), "ADMIN");

    quorvel::Device other;
    ASSERT_EQ(other.Connect(sim->host(), sim->port()).code, 0u);
    EXPECT_EQ(Level(other), "GUEST");

    // Stepping down to GUEST needs no key either.
    ASSERT_EQ(device.Authenticate("GUEST", "").code, 0u);
    EXPECT_EQ(Level(device), "GUEST");
}

TEST_F(SimulatorAuth, SignatureByAnotherLevelsKeyIsRefused)
{
    Launch();
    ASSERT_EQ(device.Authenticate("USER", PrivateKey("USER")).code, 0u);

    quorvel::DeviceError result = device.Authenticate("ADMIN", PrivateKey("USER"));
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message, "Authentification as ADMIN failed.");
    EXPECT_EQ(Level(device), "USER"); // a refusal takes nothing away

    // No public key for DEV exists at all.
    result = device.Authenticate("DEV", PrivateKey("ADMIN"));
    EXPECT_EQ(result.message, "Authentification as DEV failed.");
    // The shortcut is for the exact name only.
    result = device.Authenticate("guest", PrivateKey("USER"));
    EXPECT_EQ(result.message, "Authentification as guest failed.");
    EXPECT_EQ(Level(device), "USER");
}

TEST_F(SimulatorAuth, OnlyASignatureOverTheLatestChallengeCountsAndOnlyOnce)
{
    Launch();
    std::string older;
    std::string latest;
    ASSERT_EQ(device.RequestValidation(older).code, 0u);
    ASSERT_EQ(device.RequestValidation(latest).code, 0u);
    EXPECT_EQ(latest.size(), 64u);
    EXPECT_NE(older, latest); // fresh every time

    const auto stale = quorvel::SignChallenge(older, PrivateKey("USER"));
    ASSERT_FALSE(stale.empty());
    EXPECT_EQ(device.SendAuthResponse("USER", stale).code, 5u);

    std::string challenge;
    ASSERT_EQ(device.RequestValidation(challenge).code, 0u);
    const auto signature = quorvel::SignChallenge(challenge, PrivateKey("USER"));
    EXPECT_EQ(device.SendAuthResponse("USER", signature).code, 0u);
    // The same answer again is a replay.
    EXPECT_EQ(device.SendAuthResponse("USER", signature).code, 5u);
    EXPECT_EQ(Level(device), "USER");
}

TEST_F(SimulatorAuth, RefusalCarriesAZeroTerminatedTextAndChallengesAreText)
{
    Launch();
    RawClient client(sim->host(), sim->port());
    client.Receive();
    client.Send(Message(MessageType::AUTH_REQUEST));
    const Message challenge = client.Receive();
    ASSERT_EQ(challenge.body.size(), 65u);
    EXPECT_EQ(challenge.body.back(), 0);

    Message answer(MessageType::AUTH_RESPONSE, "../USER");
    answer.Append(static_cast<uint32_t>(0xDEADBEEF));
    client.Send(answer);
    const Message refusal = client.Receive();
    EXPECT_TRUE(refusal.header.error);
    ASSERT_FALSE(refusal.body.empty());
    EXPECT_EQ(refusal.body.back(), 0);
    EXPECT_EQ(std::string(refusal.body.begin(), refusal.body.end() - 1), "access level ../USER refused: not a level name");
}

} // namespace
