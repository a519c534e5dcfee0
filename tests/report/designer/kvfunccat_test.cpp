// The function catalogue the expression editor offers: the built-in
// functions in catalogue order with their categories and syntax, the
// functions of the libraries (described or unknown), and the system
// variables with their labels.
#include <gtest/gtest.h>

#include <memory>

#include "report/designer/kvfunccat.h"
#include "report/engine/expr/kvfunclib.h"

namespace report {
namespace {

TEST(FunctionCatalogue, FortyThreeBuiltInFunctionsInCatalogueOrder) {
  const auto &all = KvBuiltInFunctions();
  ASSERT_EQ(all.size(), 43u);
  EXPECT_EQ(all.front().Name, QStringLiteral("AVG"));
  EXPECT_EQ(all[18].Name, QStringLiteral("COPY"));
  EXPECT_EQ(all.back().Name, QStringLiteral("EUROTOMONEYVAL"));
  const auto copy = KvFindFunction(QStringLiteral("copy"));
  ASSERT_TRUE(copy.has_value());
  EXPECT_EQ(copy->Category, QStringLiteral("Stringa"));
  EXPECT_EQ(copy->Syntax, QStringLiteral("COPY(<X>,<Y>,<Z>)"));
  EXPECT_EQ(copy->Description, QStringLiteral("Restituisce una sotto-stringa copiata dalla stringa <X> a partire "
                                              "dalla posizione <Y> per <Z> caratteri"));
  EXPECT_EQ(KvFindFunction(QStringLiteral("IF"))->Description,
            QString::fromUtf8("Restituisce <Y> se l'espressione <X> è verificata altrimenti restituisce <Z>"));
  EXPECT_EQ(KvFindFunction(QStringLiteral("PI"))->Syntax, QStringLiteral("PI"));
  EXPECT_EQ(KvFindFunction(QStringLiteral("COUNT"))->Syntax, QStringLiteral("COUNT()"));
  for (const TkvFunctionEntry &entry : all) {
    EXPECT_FALSE(entry.Description.isEmpty()) << entry.Name.toStdString();
    EXPECT_TRUE(entry.Syntax.startsWith(entry.Name)) << entry.Name.toStdString();
  }
  EXPECT_FALSE(KvFindFunction(QStringLiteral("NOSUCH")).has_value());
}

TEST(FunctionCatalogue, CategoriesAndTheirFunctionsSorted) {
  EXPECT_EQ(KvFunctionCategories(),
            QStringList({"Tutte", "Conversione", "Logiche", "Matematiche", "Statistiche", "Stringa", "Valuta"}));
  EXPECT_EQ(KvFunctionsOf(QStringLiteral("Statistiche")), QStringList({"AVG", "COUNT", "MAX", "MIN", "SUM"}));
  EXPECT_EQ(KvFunctionsOf(QStringLiteral("Logiche")), QStringList({"IF"}));
  const QStringList all = KvFunctionsOf(QStringLiteral("Tutte"));
  EXPECT_EQ(all.size(), 43);
  EXPECT_EQ(all.first(), QStringLiteral("ABS"));
}

class Sconti : public TkvFunctionLibrary {
 public:
  void DoFunction(int, const rtl::Variant &, const rtl::Variant &, const rtl::Variant &, rtl::Variant &) override {}
};

TEST(FunctionCatalogue, LibraryFunctionsJoinTheirCategoryOrTheUnknownOne) {
  auto library = std::make_unique<Sconti>();
  library->SetNames({QStringLiteral("SCONTO"), QStringLiteral("IVA")});
  library->SetCatalogue(
      {QStringLiteral("SCONTO=Valuta |SCONTO(<X>,<Y>) |Restituisce l'importo <X> scontato del <Y>%")});
  ASSERT_TRUE(KvAddFunctionLibrary(std::move(library)));
  EXPECT_EQ(KvFunctionCategories(), QStringList({"Tutte", "Conversione", "Logiche", "Matematiche", "Sconosciute",
                                                 "Statistiche", "Stringa", "Valuta"}));
  EXPECT_EQ(KvFunctionsOf(QStringLiteral("Sconosciute")), QStringList({"IVA"}));
  EXPECT_TRUE(KvFunctionsOf(QStringLiteral("Valuta")).contains(QStringLiteral("SCONTO")));
  EXPECT_EQ(KvFindFunction(QStringLiteral("sconto"))->Syntax, QStringLiteral("SCONTO(<X>,<Y>)"));
  EXPECT_EQ(KvFunctionsOf(QStringLiteral("Tutte")).size(), 45);
  KvClearFunctionLibraries();
  EXPECT_EQ(KvFunctionsOf(QStringLiteral("Tutte")).size(), 43);
}

TEST(FunctionCatalogue, SystemVariablesWithoutTheExpression) {
  const auto &vars = KvPickerVariables();
  ASSERT_EQ(vars.size(), 8u);
  EXPECT_EQ(vars[0].Label, QString::fromUtf8("N° pagina"));
  EXPECT_EQ(vars[0].Name, QStringLiteral("PAGE#"));
  EXPECT_EQ(KvSystemVariableName(QStringLiteral("Data")), QStringLiteral("DATE"));
  EXPECT_EQ(KvSystemVariableName(QStringLiteral("Totale Pagine")), QStringLiteral("TOTALPAGES"));
  EXPECT_TRUE(KvSystemVariableName(QStringLiteral("Espressione")).isEmpty());
  EXPECT_EQ(KvParameterCount(QStringLiteral("COPY(<X>,<Y>,<Z>)")), 3);
  EXPECT_EQ(KvParameterCount(QStringLiteral("COUNT()")), 0);
  EXPECT_EQ(KvParameterCount(QStringLiteral("F(<X>,<Y>,<Z>,<W>)")), 3);
}

}  // namespace
}  // namespace report
