// Page searches of https:// pages: the page is fetched over TLS, its movies
// become jobs with https:// addresses, a refused certificate is an error
// with its reason.
#include "common/NginxServer.h"
#include "common/TestCerts.h"
#include "common/TestData.h"
#include "search/SearchRig.h"

#include <QSslError>
#include <QtTest>

namespace {
const QByteArray kPage = "<html>" + embed("intro.swf") + embed("/root/top.swf") + "</html>";
} // namespace

class tst_SearchHttps : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (NginxServer::binary().isEmpty()) QSKIP("nginx is not installed");
        if (!TestCerts::available()) QSKIP("openssl is not installed");
        QString error;
        QVERIFY2(m_certs.makeTrustedGoodAndStranger(&error), qPrintable(error));
        m_good = serve(QStringLiteral("srv"));
        m_stranger = serve(QStringLiteral("stranger"));
        QVERIFY2(m_good->start(&error), qPrintable(error));
        QVERIFY2(m_stranger->start(&error), qPrintable(error));
    }

    void pageOverTls_findsMovies() {
        SearchRig rig;
        const QString page = m_good->url(QStringLiteral("a/index.htm"));
        QVERIFY(page.startsWith(QLatin1String("https://127.0.0.1:")));
        rig.add(page);
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.core.SearchJobs[1].State, int(SearchAnalysed));
        const QString origin = QStringLiteral("https://127.0.0.1:%1").arg(m_good->port());
        QCOMPARE(int(rig.core.DownJobs.DownCount()), 2);
        QCOMPARE(rig.core.DownJobs[1].Url, origin + QStringLiteral("/a/intro.swf"));
        QCOMPARE(rig.core.DownJobs[2].Url, origin + QStringLiteral("/root/top.swf"));
    }

    void unknownAuthority_errorWithReason() {
        SearchRig rig;
        rig.add(m_stranger->url(QStringLiteral("a/index.htm")));
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.core.SearchJobs[1].State, int(SearchError));
        QCOMPARE(int(rig.core.DownJobs.DownCount()), 0);
        const QString reason =
            QSslError(QSslError::UnableToGetLocalIssuerCertificate).errorString();
        const QStringList lines =
            rig.logOf(1).filter(QStringLiteral("The certificate of 127.0.0.1 is refused"));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains(reason), qPrintable(lines[0]));
    }

private:
    std::unique_ptr<NginxServer> serve(const QString &cert);
    TestCerts m_certs;
    std::unique_ptr<NginxServer> m_good, m_stranger;
};

std::unique_ptr<NginxServer> tst_SearchHttps::serve(const QString &cert) {
    auto nginx = std::make_unique<NginxServer>();
    m_certs.serveTls(*nginx, cert);
    nginx->put(QStringLiteral("a/index.htm"), kPage);
    return nginx;
}

QTEST_GUILESS_MAIN(tst_SearchHttps)
#include "tst_searchhttps.moc"
