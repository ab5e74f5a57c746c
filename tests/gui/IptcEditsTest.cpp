// The IPTC field rules of the info panel, without the window: what is
// written when, text the stored encoding cannot hold, and the keywords.
#include <QTest>

#include "app/IptcEdits.h"

using namespace pixaldo;

class IptcEditsTest : public QObject {
  Q_OBJECT

 private slots:
  void WrittenOnlyWhenChangedAndNotAllEmpty() {
    TIptcEdits rules;
    const IptcTexts loaded = rules.Load({"Nature", "", "one\r\ntwo"});
    QCOMPARE(loaded, IptcTexts({"Nature", "", "one\ntwo"}));
    QCOMPARE(rules.Prepare(loaded).What, TIptcEdits::Outcome::Nothing);

    const TIptcEdits::Outcome titled = rules.Prepare({"Nature", "Bridge", "one\ntwo\nthree"});
    QCOMPARE(titled.What, TIptcEdits::Outcome::Write);
    QCOMPARE(titled.Fields.ObjectName, std::string("Bridge"));
    QCOMPARE(titled.Fields.ImageCaption, std::string("one\r\ntwo\r\nthree"));

    // Clearing all three fields keeps what the file holds.
    QCOMPARE(rules.Prepare({"", "", ""}).What, TIptcEdits::Outcome::Nothing);
  }

  void KeywordsAloneAreWrittenAndOneOverTheLimitRefused() {
    TIptcEdits rules;
    rules.Load({});
    const TIptcEdits::Outcome keywords = rules.Prepare({"", "", "", "sea, sky, sea"});
    QCOMPARE(keywords.What, TIptcEdits::Outcome::Write);
    QVERIFY(keywords.KeywordsOnly);
    QCOMPARE(keywords.Fields.Keywords, (std::vector<std::string>{"sea", "sky"}));
    const TIptcEdits::Outcome tooLong = rules.Prepare({"Nature", "", "", "sea, " + QString(65, QLatin1Char('k'))});
    QCOMPARE(tooLong.What, TIptcEdits::Outcome::Unstorable);
    QCOMPARE(tooLong.Field, int(kIptcKeywords));
  }

  void UnstorableTextNamesItsField() {
    // Whatever encoding a field is limited to: here, ASCII only.
    TIptcEdits rules(
        [](const QString& text) -> std::optional<std::string> {
          for (QChar c : text)
            if (c.unicode() > 0x7F) return std::nullopt;
          return text.toStdString();
        },
        [](const std::string& bytes) { return QString::fromStdString(bytes); });
    rules.Load({});
    const TIptcEdits::Outcome outcome = rules.Prepare({"ok", "fine", QStringLiteral("Tokyo 東京")});
    QCOMPARE(outcome.What, TIptcEdits::Outcome::Unstorable);
    QCOMPARE(outcome.Field, int(kIptcCaption));
  }
};

QTEST_MAIN(IptcEditsTest)
#include "IptcEditsTest.moc"
