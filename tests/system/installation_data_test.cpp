// The installation data as the program finds it beside itself: read through QSettings in INI
// format, in this fresh process, the way the program reads it.
//
// Files the program never rewrites (the factory profile, the language file, the registry
// keys of the application configuration) are checked in the staged folder. The ten profile
// files are the program's working copies, which a manual run may have changed, so their
// factory content is checked in the shipped data and the staged folder only has to hold them.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringDecoder>
#include <QTest>

namespace {

const QString kStaged = QStringLiteral(STAGED_MODULES_DIR);
const QString kShipped = QStringLiteral(SHIPPED_MODULES_DIR);

QString staged(const QString& relative) {
    return QDir(kStaged).filePath(relative);
}
QString shipped(const QString& relative) {
    return QDir(kShipped).filePath(relative);
}

// Every key with its value as text; lists joined, so a list and a scalar never look alike.
QMap<QString, QString> contentOf(const QString& path) {
    QSettings settings(path, QSettings::IniFormat);
    QMap<QString, QString> content;
    for (const QString& key : settings.allKeys()) {
        const QVariant value = settings.value(key);
        content.insert(key, value.typeId() == QMetaType::QStringList
                                ? QStringLiteral("list:") + value.toStringList().join(u'|')
                                : value.toString());
    }
    return content;
}

} // namespace

class InstallationDataTest : public QObject {
    Q_OBJECT

  private slots:
    void languageFileIsUtf8();
    void languageGroupsAreComplete_data();
    void languageGroupsAreComplete();
    void productLayoutTextsAreComplete();
    void factoryProfileHasDefaultButtons();
    void factoryProfileHasPanelValues();
    void profilesStartAsFactoryProfile();
    void applicationConfigNamesBothRegistryEntries_data();
    void applicationConfigNamesBothRegistryEntries();
    void nameListHoldsOneProfileRow();
    void gunDataFileExists();
    void oneSkinFolder();
};

void InstallationDataTest::languageFileIsUtf8() {
    QFile file(staged(QStringLiteral("i18n/lang_025044.ini")));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(file.readAll());
    QVERIFY(!decoder.hasError());
    QVERIFY(!text.contains(QChar::ReplacementCharacter));
}

void InstallationDataTest::languageGroupsAreComplete_data() {
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("length");
    // Entries from `translated` on have an empty English text and stay empty.
    QTest::addColumn<int>("translated");
    QTest::newRow("main") << "main" << 35 << 30;
    QTest::newRow("keyMatrix") << "keyMatrix" << 10 << 6;
    QTest::newRow("keyMenu") << "keyMenu" << 45 << 44;
    QTest::newRow("macroEditor") << "macroEditor" << 20 << 19;
    QTest::newRow("gunControl") << "gunControl" << 15 << 12;
    QTest::newRow("macroKey") << "macroKey" << 10 << 9;
    QTest::newRow("other") << "other" << 8 << 8;
}

void InstallationDataTest::languageGroupsAreComplete() {
    QFETCH(QString, group);
    QFETCH(int, length);
    QFETCH(int, translated);
    QSettings lang(staged(QStringLiteral("i18n/lang_025044.ini")), QSettings::IniFormat);
    QCOMPARE(lang.status(), QSettings::NoError);
    lang.beginGroup(group);
    QCOMPARE(lang.value(QStringLiteral("total")).toInt(), length);
    for (int i = 0; i < length; ++i) {
        const QString key = QString::number(i);
        QVERIFY2(lang.contains(key), qPrintable(group + u'/' + key));
        const QVariant value = lang.value(key);
        // An unquoted comma would turn the text into a list the pages cannot show.
        QVERIFY2(value.typeId() == QMetaType::QString, qPrintable(group + u'/' + key));
        QCOMPARE(value.toString().isEmpty(), i >= translated);
    }
    QVERIFY(!lang.contains(QString::number(length)));
}

void InstallationDataTest::productLayoutTextsAreComplete() {
    QSettings lang(staged(QStringLiteral("i18n/lang_025044.ini")), QSettings::IniFormat);
    lang.beginGroup(QStringLiteral("Q7_133C6AA"));
    for (int i = 0; i < 16; ++i) {
        const QVariant value = lang.value(QString::number(i));
        QVERIFY2(value.typeId() == QMetaType::QString && !value.toString().isEmpty(),
                 qPrintable(QString::number(i)));
    }
    // The captions really are Chinese, read as UTF-8.
    QVERIFY(lang.value(QStringLiteral("0")).toString().contains(QChar(0x5DE6))); // 左
}

void InstallationDataTest::factoryProfileHasDefaultButtons() {
    const QStringList defaults = {"0100f000", "0100f100", "0100f200", "0100f400",
                                  "0100f300", "07000100", "07000200", "00000000",
                                  "00000000", "00000000", "00000000", "00000000",
                                  "00000000", "00000000", "04000100", "04000200"};
    QSettings factory(staged(QStringLiteral("setting/pD.bin")), QSettings::IniFormat);
    QCOMPARE(factory.status(), QSettings::NoError);
    for (int b = 0; b < defaults.size(); ++b) {
        const QStringList bytes =
            factory.value(QStringLiteral("keydefine_Q7/%1").arg(b)).toStringList();
        QCOMPARE(bytes.size(), 4);
        QString code;
        for (const QString& byte : bytes) {
            bool ok = false;
            const int value = byte.toInt(&ok);
            QVERIFY2(ok && value >= 0 && value <= 255, qPrintable(byte));
            code += QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0'));
        }
        QCOMPARE(code, defaults.at(b));
    }
    QVERIFY(!factory.contains(QStringLiteral("keydefine_Q7/16")));
}

void InstallationDataTest::factoryProfileHasPanelValues() {
    QSettings factory(staged(QStringLiteral("setting/pD.bin")), QSettings::IniFormat);
    const QStringList dpi = factory.value(QStringLiteral("sensor/dpi_Q7")).toStringList();
    QCOMPARE(dpi.size(), 8);
    const QList<int> table = {250, 500, 750, 1000, 1250, 1500, 1750, 2000, 2500, 3000, 3500, 4000};
    for (const QString& value : dpi)
        QVERIFY2(table.contains(value.toInt()), qPrintable(value));
    QCOMPARE(factory.value(QStringLiteral("sensor/dpi_Select")).toStringList().size(), 8);
    QCOMPARE(factory.value(QStringLiteral("color_Q7/type1")).toStringList().size(), 24);
    QCOMPARE(factory.value(QStringLiteral("color_Q7/ledEffect")).toStringList().size(), 3);
    QVERIFY(QList<int>({1, 2, 4, 8})
                .contains(factory.value(QStringLiteral("sensor/reportRate_Q7")).toInt()));
    for (const char* key : {"sensor/cursorSpeed_Q7", "sensor/doubleClickSpeed_Q7"}) {
        const int level = factory.value(QLatin1String(key), -1).toInt();
        QVERIFY2(level >= 0 && level <= 10, key);
    }
    QVERIFY(factory.value(QStringLiteral("sensor/verticalScrollLines_Q7")).toInt() > 0);
}

void InstallationDataTest::profilesStartAsFactoryProfile() {
    const QMap<QString, QString> factory = contentOf(shipped(QStringLiteral("setting/pD.bin")));
    QVERIFY(factory.size() > 16);
    for (int n = 1; n <= 10; ++n) {
        const QString name = QStringLiteral("setting/p%1.bin").arg(n);
        QVERIFY2(QFile::exists(staged(name)), qPrintable(staged(name)));
        QCOMPARE(contentOf(shipped(name)), factory);
    }
}

void InstallationDataTest::applicationConfigNamesBothRegistryEntries_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("apConfig") << "setting/apConfig.bin";
    QTest::newRow("factory copy") << "setting/apConfigD.bin";
}

void InstallationDataTest::applicationConfigNamesBothRegistryEntries() {
    QFETCH(QString, file);
    QSettings config(staged(file), QSettings::IniFormat);
    QCOMPARE(config.status(), QSettings::NoError);
    const QStringList products = config.value(QStringLiteral("common/product_name")).toStringList();
    QCOMPARE(products.size(), 2);
    QVERIFY(!products.at(0).isEmpty());
    QCOMPARE(products.at(1), products.at(0));
    QCOMPARE(config.value(QStringLiteral("common/sCode0")).toString(), QStringLiteral("735190"));
    QCOMPARE(config.value(QStringLiteral("common/sCode1")).toString(), QStringLiteral("735190"));
    QVERIFY(config.contains(QStringLiteral("common/language")));
    QVERIFY(!config.value(QStringLiteral("common/name1")).toString().isEmpty());
    QCOMPARE(config.value(QStringLiteral("Q7/colorMaxStage")).toInt(), 8);
}

void InstallationDataTest::nameListHoldsOneProfileRow() {
    QSettings names(shipped(QStringLiteral("setting/name.bin")), QSettings::IniFormat);
    const QStringList rows = names.value(QStringLiteral("profile/profileName")).toStringList();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(1), QStringLiteral("loaderpellam"));
    // Name, then the profile number as one last digit.
    QVERIFY(rows.at(0).size() > 1);
    QCOMPARE(rows.at(0).back(), QChar(u'0'));
}

void InstallationDataTest::gunDataFileExists() {
    // The gun slots do nothing at all without this file; the program never creates it.
    QVERIFY(QFile::exists(staged(QStringLiteral("gun/gunData.bin"))));
    QSettings gun(staged(QStringLiteral("gun/gunData.bin")), QSettings::IniFormat);
    QCOMPARE(gun.status(), QSettings::NoError);
}

void InstallationDataTest::oneSkinFolder() {
    const QDir img(staged(QStringLiteral("img")));
    QVERIFY(img.exists(QStringLiteral("trayIcon.ico")));
    const QStringList skins = img.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(skins, QStringList{QStringLiteral("skin1")});
    QVERIFY(!QDir(img.filePath(skins.at(0))).entryList(QDir::Files).isEmpty());
}

QTEST_GUILESS_MAIN(InstallationDataTest)
#include "installation_data_test.moc"
