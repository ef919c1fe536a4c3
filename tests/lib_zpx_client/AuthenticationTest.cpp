// Signing challenges with PEM keys made at test time, and the authentication exchanges with
// the device: what goes on the wire, what does not, and the texts of each refusal.
#include "ClientTestSupport.h"
#include "Device.h"
#include "SslUtil.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <memory>

using namespace ondrel::testsupport;
using quorvel::Device;
using quorvel::DeviceError;
using quorvel::SignChallenge;
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;

namespace {

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;

bool WritePem(const std::string& path, EVP_PKEY* key, bool privatePart)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const int ok = privatePart ? PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr)
                               : PEM_write_PUBKEY(file, key);
    std::fclose(file);
    return ok == 1;
}

bool Verifies(EVP_PKEY* key, const std::string& text, const Bytes& signature)
{
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    return context && EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key) == 1
        && EVP_DigestVerify(context.get(), signature.data(), signature.size(),
               reinterpret_cast<const unsigned char*>(text.data()), text.size())
        == 1;
}

// One RSA and one EC key for the whole suite, written as PEM files.
class Keys : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new TempDir();
        rsa.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", static_cast<size_t>(2048)));
        ec.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
        ASSERT_TRUE(rsa && ec);
        rsaFile = dir->File("USER.priv.pem");
        ecFile = dir->File("ADMIN.priv.pem");
        ASSERT_TRUE(WritePem(rsaFile, rsa.get(), true));
        ASSERT_TRUE(WritePem(ecFile, ec.get(), true));
        ASSERT_TRUE(WritePem(dir->File("USER.pub.pem"), rsa.get(), false));
    }
    static void TearDownTestSuite()
    {
        rsa.reset();
        ec.reset();
        delete dir;
        dir = nullptr;
    }

    static TempDir* dir;
    static Key rsa;
    static Key ec;
    static std::string rsaFile;
    static std::string ecFile;
};
TempDir* Keys::dir = nullptr;
Key Keys::rsa;
Key Keys::ec;
std::string Keys::rsaFile;
std::string Keys::ecFile;

// ---------------------------------------------------------------------------------------
// Signing

using ChallengeSigning = Keys;

TEST_F(ChallengeSigning, UnusableKeyFilesGiveNoSignature)
{
    EXPECT_TRUE(SignChallenge("c", dir->File("missing.priv.pem")).empty());
    EXPECT_TRUE(SignChallenge("c", dir->Write("garbage.priv.pem", BytesOf("-----BEGIN nonsense\n\x01\x02"))).empty());
    EXPECT_TRUE(SignChallenge("c", dir->Write("empty.priv.pem", {})).empty());
    EXPECT_TRUE(SignChallenge("c", dir->File("USER.pub.pem")).empty()); // a public key alone signs nothing
    EXPECT_TRUE(SignChallenge("c", dir->Path().string()).empty());     // a directory
}

// ---------------------------------------------------------------------------------------
// Exchanges with the device

class Authentication : public Keys {
protected:
    void Serve(Script script)
    {
        server.Serve(script);
        ASSERT_CONNECTED(device, server);
    }

    // Every message the Device sent, once it has closed the link (so nothing can follow).
    std::vector<Message> AllRequests()
    {
        device.Disconnect();
        EXPECT_TRUE(server.WaitPeerClosed());
        std::size_t leftover = 0;
        auto requests = ParseMessages(server.Received(), &leftover);
        EXPECT_EQ(leftover, 0u);
        return requests;
    }

    ScriptedServer server;
    Device device;
};

TEST_F(Authentication, GuestSendsItsNameAloneAndNothingElse)
{
    Serve(Script().SendConnected().Answer(OkResponse()));
    const DeviceError result = device.Authenticate("GUEST", dir->File("no-such-key.pem"));
    EXPECT_EQ(result.code, 0u) << result.message;
    EXPECT_EQ(result.message, "-");

    device.Disconnect();
    ASSERT_TRUE(server.WaitPeerClosed());
    EXPECT_EQ(server.Received(), WireBytes(MakeMessage(MessageType::AUTH_RESPONSE, ZeroTerminated("GUEST"))));
    EXPECT_EQ(server.Received().size(), 12u + 6u);
}

// The challenge request is bare; the answer is the level's name, its zero and a signature
// over the challenge text (the body's first text, empty when the body is).
using SignedAnswer = Keys;

TEST_F(SignedAnswer, LevelsAnswerWithNameZeroAndSignatureOverTheChallenge)
{
    const struct {
        const char* level;
        bool rsa;
        Bytes challengeBody;
        std::string signedText;
    } cases[] = {
        { "USER", true, Concat({ ZeroTerminated("challenge-123"), BytesOf("ignored") }), "challenge-123" },
        { "ADMIN", false, ZeroTerminated("ec-challenge"), "ec-challenge" },
        { "guest", false, ZeroTerminated("xyz"), "xyz" }, // lower case is not the shortcut
        { "USER", true, {}, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level + (" over '" + c.signedText + "'"));
        ScriptedServer server;
        server.Serve(Script().SendConnected().Answer(OkResponse(c.challengeBody)).Answer(OkResponse()));
        Device device;
        ASSERT_CONNECTED(device, server);
        const DeviceError result = device.Authenticate(c.level, c.rsa ? rsaFile : ecFile);
        EXPECT_EQ(result.code, 0u) << result.message;

        device.Disconnect();
        ASSERT_TRUE(server.WaitPeerClosed());
        std::size_t leftover = 0;
        const auto requests = ParseMessages(server.Received(), &leftover);
        EXPECT_EQ(leftover, 0u);
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(WireBytes(requests[0]), WireBytes(Message(MessageType::AUTH_REQUEST)));
        const Message& answer = requests[1];
        EXPECT_EQ(answer.header.id, MessageType::AUTH_RESPONSE);
        EXPECT_FALSE(answer.header.error);
        const Bytes name = ZeroTerminated(c.level);
        ASSERT_GT(answer.body.size(), name.size());
        EXPECT_EQ(Bytes(answer.body.begin(), answer.body.begin() + name.size()), name);
        const Bytes signature(answer.body.begin() + name.size(), answer.body.end());
        EXPECT_EQ(answer.header.size, name.size() + signature.size());
        EXPECT_TRUE(Verifies(c.rsa ? rsa.get() : ec.get(), c.signedText, signature));
    }
}

TEST_F(Authentication, MissingKeyFileStopsAfterChallenge)
{
    Serve(Script().SendConnected().Answer(OkResponse(ZeroTerminated("c"))));
    const DeviceError result = device.Authenticate("USER", dir->File("USER.missing.pem"));
    EXPECT_EQ(result.code, 1u);
    EXPECT_EQ(result.message, "error creating signature");
    EXPECT_TRUE(device.IsConnected());

    const auto requests = AllRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(WireBytes(requests[0]), WireBytes(Message(MessageType::AUTH_REQUEST)));
}

TEST_F(Authentication, RefusedAnswerNamesTheLevelWhateverTheBody)
{
    Serve(Script()
              .SendConnected()
              .Answer(OkResponse(ZeroTerminated("c")))
              .Answer(ErrorResponse(ZeroTerminated("signature does not verify"))));
    const DeviceError result = device.Authenticate("ADMIN", ecFile);
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message, "Authentification as ADMIN failed.");
}

TEST_F(Authentication, RefusedChallengeEndsTheExchange)
{
    const Bytes refusal = Concat({ ZeroTerminated("locked"), BytesOf("x") });
    Serve(Script().SendConnected().Answer(ErrorResponse(refusal)));
    const DeviceError result = device.Authenticate("USER", rsaFile);
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message, "quorvel::Device::RequestValidationlocked\\x00x");
    EXPECT_EQ(AllRequests().size(), 1u); // no AUTH_RESPONSE
}

TEST_F(Authentication, CurrentLevelIsTheFirstText)
{
    Serve(Script().SendConnected().Answer(OkResponse(ZeroTerminated("DEV"))));
    std::string level = "GUEST";
    const DeviceError result = device.GetCurrentAuthGroup(level);
    EXPECT_EQ(result.code, 0u);
    EXPECT_EQ(level, "DEV");
    const auto requests = AllRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(WireBytes(requests[0]), WireBytes(Message(MessageType::GET, "auth_group")));
}

TEST_F(Authentication, RefusedLevelQueryKeepsOutputAndWholeBody)
{
    Serve(Script().SendConnected().Answer(ErrorResponse(Concat({ ZeroTerminated("no"), { 'p' } }))));
    std::string level = "USER";
    const DeviceError result = device.GetCurrentAuthGroup(level);
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message, "quorvel::Device::GetCurrentAuthGroupno\\x00p");
    EXPECT_EQ(level, "USER");
}

} // namespace
