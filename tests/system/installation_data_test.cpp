// The shipped installation data read the way the program reads it, through QSettings.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>

namespace {

QString modules(const QString& relative) {
    return QDir(QStringLiteral(SHIPPED_MODULES_DIR)).filePath(relative);
}

// Every key with its value as text; lists marked, so a list and a scalar never look alike.
QMap<QString, QString> contentOf(const QString& relative) {
    QSettings settings(modules(relative), QSettings::IniFormat);
    QMap<QString, QString> content;
    for (const QString& key : settings.allKeys()) {
        const QVariant value = settings.value(key);
        content.insert(key, value.typeId() == QMetaType::QStringList
                                ? "list:" + value.toStringList().join(u'|')
                                : value.toString());
    }
    return content;
}

} // namespace

class InstallationDataTest : public QObject {
    Q_OBJECT

  private slots:
    // Pages index every group up to its total; an unquoted comma makes a list they cannot show.
    void languageFile() {
        QFile file(modules("i18n/lang_025044.ini"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!QString::fromUtf8(file.readAll()).contains(QChar::ReplacementCharacter));
        QSettings lang(file.fileName(), QSettings::IniFormat);
        const std::pair<const char*, int> groups[] = {
            {"main", 35},       {"keyMatrix", 10}, {"keyMenu", 45}, {"macroEditor", 20},
            {"gunControl", 15}, {"macroKey", 10},  {"other", 8},    {"Q7_133C6AA", 16}};
        for (const auto& [group, total] : groups) {
            lang.beginGroup(QLatin1String(group));
            if (lang.contains("total"))
                QCOMPARE(lang.value("total").toInt(), total);
            for (int i = 0; i <= total; ++i) {
                const QVariant value = lang.value(QString::number(i));
                const QString where = group + QStringLiteral("/%1").arg(i);
                QVERIFY2((value.typeId() == QMetaType::QString) == (i < total), qPrintable(where));
                if (i < total && qstrcmp(group, "Q7_133C6AA") == 0) // the buttons' captions
                    QVERIFY2(!value.toString().isEmpty(), qPrintable(where));
            }
            lang.endGroup();
        }
    }

    void factoryProfile() {
        QSettings factory(modules("setting/pD.bin"), QSettings::IniFormat);
        QCOMPARE(factory.status(), QSettings::NoError);
        // Left, right, middle, fifth and fourth button, DPI up and down; the wheel last.
        QStringList buttons;
        for (int b = 0; b < 17; ++b)
            buttons << factory.value(QStringLiteral("keydefine_Q7/%1").arg(b))
                           .toStringList()
                           .join(u',');
        QCOMPARE(buttons.join(u' '), "1,0,240,0 1,0,241,0 1,0,242,0 1,0,244,0 1,0,243,0 7,0,1,0 "
                                     "7,0,2,0 0,0,0,0 0,0,0,0 0,0,0,0 0,0,0,0 0,0,0,0 0,0,0,0 "
                                     "0,0,0,0 4,0,1,0 4,0,2,0 ");
        const QStringList steps =
            QString("250 500 750 1000 1250 1500 1750 2000 2500 3000 3500 4000").split(u' ');
        const QStringList dpi = factory.value("sensor/dpi_Q7").toStringList();
        QCOMPARE(dpi.size(), 8);
        for (const QString& value : dpi)
            QVERIFY2(steps.contains(value), qPrintable(value));
        for (int n = 1; n <= 10; ++n) // every profile starts as the factory one
            QCOMPARE(contentOf(QStringLiteral("setting/p%1.bin").arg(n)),
                     contentOf("setting/pD.bin"));
    }

    // The device handshake and discovery read these; the factory copy must say the same.
    void applicationConfig() {
        QCOMPARE(contentOf("setting/apConfigD.bin"), contentOf("setting/apConfig.bin"));
        QSettings config(modules("setting/apConfig.bin"), QSettings::IniFormat);
        const QStringList products = config.value("common/product_name").toStringList();
        QVERIFY(products.size() == 2 && !products[0].isEmpty() && products[1] == products[0]);
        QCOMPARE(config.value("common/sCode0").toString(), "735190");
        QCOMPARE(config.value("common/sCode1").toString(), "735190");
        QVERIFY(config.contains("common/language"));
        QCOMPARE(config.value("Q7/colorMaxStage").toInt(), 8);
        // The gun slots do nothing at all without this file, and the program never creates it.
        QVERIFY(QFile::exists(modules("gun/gunData.bin")));
    }
};

QTEST_GUILESS_MAIN(InstallationDataTest)
#include "installation_data_test.moc"
