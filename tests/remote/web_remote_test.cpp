// The web remote in a real browser: headless Chromium, driven through
// chromedriver (WebDriver), loads the page from the service, which holds two
// simulated amplifiers; moving a fader and pressing mute reach the device as
// the editor's frames, a change made elsewhere shows on the page, and the
// page comes back after its connection was dropped. The browser may reach
// loopback only: every other host resolves to nothing and goes to a proxy
// that does not exist, and its background services are off.
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTcpServer>
#include <filesystem>

#include "expected_frames.h"
#include "protocol/commands.h"
#include "remote_fixture.h"

namespace zef::test {
namespace {

constexpr const char* kDriver = "/usr/bin/chromedriver";
constexpr const char* kChromium = "/usr/bin/chromium";

// One WebDriver session of headless Chromium.
class Browser {
public:
    explicit Browser(const std::string& profile) {
        if (!StartDriver()) return;
        const QJsonArray args{"--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                              "--no-first-run", "--disable-background-networking", "--disable-component-update",
                              "--disable-sync", "--disable-default-apps", "--disable-extensions",
                              "--proxy-server=127.0.0.1:9", "--host-resolver-rules=MAP * ~NOTFOUND , EXCLUDE 127.0.0.1",
                              QString::fromStdString("--user-data-dir=" + profile), "--window-size=420,900"};
        const QJsonObject options{{"binary", kChromium}, {"args", args}};
        const QJsonObject caps{{"alwaysMatch", QJsonObject{{"browserName", "chrome"}, {"goog:chromeOptions", options}}}};
        session_ = Call("POST", "/session", QJsonObject{{"capabilities", caps}})["sessionId"].toString().toStdString();
    }
    ~Browser() {
        if (!session_.empty()) Call("DELETE", "/session/" + session_, {});
        driver_.terminate();
        driver_.waitForFinished(5000);
    }
    bool ready() const { return !session_.empty(); }
    void Open(const std::string& url) { Call("POST", Path("/url"), QJsonObject{{"url", QString::fromStdString(url)}}); }
    // Runs `script` in the page; its return value.
    QJsonValue Run(const std::string& script) {
        return Call("POST", Path("/execute/sync"), QJsonObject{{"script", QString::fromStdString(script)}, {"args", QJsonArray{}}});
    }
    // Runs `script` until it returns `expected` or `ms` passed.
    bool WaitFor(const std::string& script, const QJsonValue& expected, int ms = 10000) {
        return RunUntil([&] { return Run(script) == expected; }, ms);
    }

private:
    // chromedriver on a port the system has just handed out free (a fixed one
    // may be taken by any other test's connection); a few tries, each bounded.
    bool StartDriver() {
        for (int attempt = 0; attempt < 3; ++attempt) {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost, 0)) continue;
            port_ = probe.serverPort();
            probe.close();
            driver_.start(kDriver, {QString("--port=%1").arg(port_), "--allowed-ips=127.0.0.1"});
            if (RunUntil([&] { return Call("GET", "/status", {})["ready"].toBool(); }, 30000)) return true;
            driver_.kill();
            driver_.waitForFinished(5000);
        }
        return false;
    }
    std::string Path(const std::string& tail) const { return "/session/" + session_ + tail; }
    QJsonValue Call(const std::string& method, const std::string& path, const QJsonObject& body) {
        const std::string json = body.isEmpty() && method != "POST" ? "" : QJsonDocument(body).toJson().toStdString();
        const std::string raw = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                                "Content-Type: application/json\r\nContent-Length: " + std::to_string(json.size()) +
                                "\r\n\r\n" + json;
        return SendRaw(port_, QByteArray::fromStdString(raw), 30000).json()["value"];
    }
    QProcess driver_;
    std::uint16_t port_ = 0;
    std::string session_;
};

std::string Fader(const char* device, const char* output) {
    return std::string("document.querySelector('[data-device=\"") + device + "\"] [data-output=\"" + output +
           "\"] .fader')";
}

TEST_F(RemoteTest, TheWebRemoteWorksInABrowser) {
    if (!std::filesystem::exists(kDriver) || !std::filesystem::exists(kChromium))
        GTEST_SKIP() << "chromium and chromium-driver are not installed (./zef deps installs them)";
    const std::uint16_t servicePort = port();
    Browser browser(data.file("chromium"));
    ASSERT_TRUE(browser.ready()) << "chromedriver did not start a session";
    browser.Open("http://127.0.0.1:" + std::to_string(servicePort) + "/");
    ASSERT_TRUE(browser.WaitFor("return document.querySelectorAll('[data-device]').length", 2));
    ASSERT_TRUE(browser.WaitFor("return document.getElementById('link').textContent", "connected"));
    EXPECT_EQ(browser.Run("return document.querySelector('[data-device=\"2\"] .name').textContent"), "Stage Right");
    ClearLogs();

    // A fader moved: one set, the device's own frame.
    browser.Run("const f = " + Fader("1", "out1") + "; f.value = -20; f.dispatchEvent(new Event('input'));");
    ASSERT_TRUE(RunUntil([&] { return !Writes(0).empty(); }, 5000));
    RunUntil([] { return false; }, 300);  // anything else would have come by now
    EXPECT_EQ(Writes(0), std::vector<Bytes>{CommandFrame(kSimAddress, cmd::kGain, {2, 0, 0, 0, 0, 0, 0, 80})});
    browser.Run("document.querySelector('[data-device=\"2\"] [data-output=\"out2\"] .mute').click();");
    ASSERT_TRUE(RunUntil([&] { return !Writes(1).empty(); }, 5000));
    EXPECT_EQ(Writes(1), std::vector<Bytes>{CommandFrame(kSimAddress, cmd::kMute, {3, 0, 0, 0, 0, 0, 0, 1})});

    // A change made elsewhere shows.
    ASSERT_EQ(Put("/api/v1/devices/2/parameters/out1.gain", R"({"value":-31})").status, 200);
    EXPECT_TRUE(browser.WaitFor("return " + Fader("2", "out1") + ".value", "-31"));

    // The connection drops (the service restarts); the page comes back by itself.
    StartService({}, servicePort);
    ASSERT_EQ(Put("/api/v1/devices/1/parameters/out2.gain", R"({"value":-42})").status, 200);
    EXPECT_TRUE(browser.WaitFor("return " + Fader("1", "out2") + ".value", "-42", 15000));
    EXPECT_EQ(browser.Run("return document.getElementById('link').textContent"), "connected");
}

}  // namespace
}  // namespace zef::test
