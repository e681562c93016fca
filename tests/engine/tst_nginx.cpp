#include "common/FaultHttpServer.h"
#include "common/NginxServer.h"
#include "engine/EngineRig.h"

#include <QtTest>

// Downloads from nginx, a server written elsewhere, in 1 to 10 parts.
class TestNginx : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void download_data();
    void download();

private:
    std::unique_ptr<NginxServer> m_nginx;
    QByteArray m_body;
};

void TestNginx::initTestCase() {
    m_nginx = std::make_unique<NginxServer>();
    if (!m_nginx->available()) QSKIP("nginx is not installed");
    m_body = FaultHttpServer::pattern(32 * 1024 * 1024 + 12345);
    QFile file(m_nginx->root() + QStringLiteral("/movie.swf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(m_body);
    file.close();
    QString error;
    QVERIFY2(m_nginx->start(&error), qPrintable(error));
}

void TestNginx::download_data() {
    QTest::addColumn<int>("parts");
    for (int parts : {1, 2, 5, 10})
        QTest::addRow("%d parts", parts) << parts;
}

void TestNginx::download() {
    QFETCH(int, parts);
    EngineRig rig;
    const int index = rig.addJob(m_nginx->url(QStringLiteral("movie.swf")), parts);
    rig.start(index);
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished->count(), 1, 30000);
    const DownJobRecord &rec = rig.job(index);
    QCOMPARE(rec.State, qint32(StateComplete));
    QVERIFY2(EngineRig::fileBytes(rec.SavePath) == m_body,
             EngineRig::fileBytes(rec.SavePath).left(300).constData());
    QCOMPARE(rig.count(QStringLiteral("ReSumeTestError")), 0);
}

QTEST_GUILESS_MAIN(TestNginx)
#include "tst_nginx.moc"
