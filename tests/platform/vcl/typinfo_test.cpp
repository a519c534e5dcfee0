// Reading and writing published properties by name, for every kind the
// form storage and the report inspector handle.
#include "platform/vcl/typinfo.h"

#include <gtest/gtest.h>

#include "platform/vcl/component.h"

namespace probe {

ORBISCA_ENUM(TShade, shLight, shMedium, shDark)
ORBISCA_ENUM(TPart, ptTop, ptMiddle, ptBottom, ptSide)
using TParts = vcl::TEnumSet<TPart>;

class TInner : public rtl::TPersistent {
  ORBISCA_CLASS(TInner, rtl::TPersistent)
 public:
  QString Label() const { return label_; }
  void SetLabel(const QString &v) { label_ = v; }

 private:
  QString label_ = "in";
};

class TProbe : public vcl::TComponent {
  ORBISCA_CLASS(TProbe, vcl::TComponent)
 public:
  using TComponent::TComponent;
  int Count() const { return count_; }
  void SetCount(int v) { count_ = v; }
  QChar Mark() const { return mark_; }
  void SetMark(QChar v) { mark_ = v; }
  TShade Shade() const { return shade_; }
  void SetShade(TShade v) { shade_ = v; }
  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  double Price() const { return price_; }
  void SetPrice(double v) { price_ = v; }
  const QString &Caption() const { return caption_; }
  void SetCaption(const QString &v) { caption_ = v; }
  TParts Parts() const { return parts_; }
  void SetParts(TParts v) { parts_ = v; }
  rtl::Variant Value() const { return value_; }
  void SetValue(const rtl::Variant &v) { value_ = v; }
  long long Big() const { return big_; }
  void SetBig(long long v) { big_ = v; }
  TComponent *Link() const { return link_; }
  void SetLink(TComponent *v) { link_ = v; }
  TInner *Inner() const { return const_cast<TInner *>(&inner_); }
  int Computed() const { return count_ * 2; }
  std::function<void(TObject *)> OnClick;

 private:
  int count_ = 0;
  QChar mark_ = u'a';
  TShade shade_ = shLight;
  bool active_ = true;
  double ratio_ = 0;
  double price_ = 0;
  QString caption_;
  TParts parts_;
  rtl::Variant value_;
  long long big_ = 0;
  TComponent *link_ = nullptr;
  TInner inner_;
};

class TProbeChild : public TProbe {
  ORBISCA_CLASS(TProbeChild, TProbe)
 public:
  using TProbe::TProbe;
  int Extra() const { return 7; }
  void SetExtra(int) {}
};

// Not registered itself: it must get TProbeChild's table.
class TUnregistered : public TProbeChild {
  ORBISCA_CLASS(TUnregistered, TProbeChild)
 public:
  using TProbeChild::TProbeChild;
};

ORBISCA_PUBLISHED(TInner, TPersistent) { p.Property("Label", &TInner::Label, &TInner::SetLabel); }

ORBISCA_PUBLISHED(TProbe, TComponent) {
  p.Property("Count", &TProbe::Count, &TProbe::SetCount).Default(0);
  p.Property("Mark", &TProbe::Mark, &TProbe::SetMark);
  p.Property("Shade", &TProbe::Shade, &TProbe::SetShade).Default(shLight);
  p.Property("Active", &TProbe::Active, &TProbe::SetActive).Default(true);
  p.Property("Ratio", &TProbe::Ratio, &TProbe::SetRatio);
  p.Property("Price", &TProbe::Price, &TProbe::SetPrice).Type(vcl::TypeInfoCurrency());
  p.Property("Caption", &TProbe::Caption, &TProbe::SetCaption);
  p.Property("Parts", &TProbe::Parts, &TProbe::SetParts);
  p.Property("Value", &TProbe::Value, &TProbe::SetValue);
  p.Property("Big", &TProbe::Big, &TProbe::SetBig);
  p.Property("Link", &TProbe::Link, &TProbe::SetLink);
  p.Property("Inner", &TProbe::Inner);
  p.Property("Computed", &TProbe::Computed);
  p.Event("OnClick", &TProbe::OnClick);
}

ORBISCA_PUBLISHED(TProbeChild, TProbe) {
  p.Property("Extra", &TProbeChild::Extra, &TProbeChild::SetExtra);
  // Redeclared with another default.
  p.Property("Count", &TProbe::Count, &TProbe::SetCount).Default(5);
}

}  // namespace probe

using namespace vcl;
using probe::TProbe;

TEST(TypInfo, EachKindReadsAndWritesByName) {
  TProbe o;
  SetOrdProp(&o, "count", 42);
  EXPECT_EQ(o.Count(), 42);
  EXPECT_EQ(GetOrdProp(&o, "COUNT"), 42);

  SetOrdProp(&o, "Mark", u'€');
  EXPECT_EQ(o.Mark(), QChar(u'€'));

  SetEnumProp(&o, "Shade", "SHDARK");
  EXPECT_EQ(o.Shade(), probe::shDark);
  EXPECT_EQ(GetEnumProp(&o, "Shade"), "shDark");

  SetEnumProp(&o, "Active", "false");  // Boolean is an enumeration
  EXPECT_FALSE(o.Active());
  EXPECT_EQ(GetEnumProp(&o, "Active"), "False");
  EXPECT_EQ(PropType(&o, "Active"), tkEnumeration);

  SetFloatProp(&o, "Ratio", 0.25);
  EXPECT_DOUBLE_EQ(GetFloatProp(&o, "Ratio"), 0.25);
  EXPECT_EQ(GetPropInfo(&o, "Price")->PropType->FloatType, TFloatType::ftCurr);
  EXPECT_EQ(GetPropInfo(&o, "Ratio")->PropType->FloatType, TFloatType::ftDouble);

  SetStrProp(&o, "Caption", "Resa");
  EXPECT_EQ(GetStrProp(&o, "caption"), "Resa");

  SetSetProp(&o, "Parts", " [ ptTop , ptBottom ] ");
  EXPECT_EQ(o.Parts(), (probe::TParts{probe::ptTop, probe::ptBottom}));
  EXPECT_EQ(GetSetProp(&o, "Parts"), "[ptTop,ptBottom]");
  EXPECT_EQ(GetSetProp(&o, "Parts", false), "ptTop,ptBottom");
  SetSetProp(&o, "Parts", "[]");
  EXPECT_TRUE(o.Parts().Empty());

  SetVariantProp(&o, "Value", rtl::Variant(12.5));
  EXPECT_EQ(GetVariantProp(&o, "Value").AsDouble(), 12.5);

  SetInt64Prop(&o, "Big", 1LL << 40);
  EXPECT_EQ(GetInt64Prop(&o, "Big"), 1LL << 40);
  EXPECT_EQ(PropType(&o, "Big"), tkInt64);

  TComponent other;
  SetObjectProp(&o, "Link", &other);
  EXPECT_EQ(o.Link(), &other);
  SetObjectProp(&o, "Link", nullptr);
  EXPECT_EQ(o.Link(), nullptr);

  EXPECT_FALSE(IsMethodAssigned(&o, "OnClick"));
  o.OnClick = [](rtl::TObject *) {};
  EXPECT_TRUE(IsMethodAssigned(&o, "OnClick"));
}

TEST(TypInfo, BadAccessRaisesAndChangesNothing) {
  TProbe o;
  o.SetShade(probe::shMedium);
  EXPECT_THROW(SetEnumProp(&o, "Shade", "shPurple"), rtl::EPropertyError);
  EXPECT_THROW(SetOrdProp(&o, "Shade", 3), rtl::EPropertyError);
  EXPECT_EQ(o.Shade(), probe::shMedium);
  EXPECT_THROW(SetSetProp(&o, "Parts", "[ptTop,ptNowhere]"), rtl::EPropertyError);
  EXPECT_THROW(SetOrdProp(&o, "Parts", 1 << 4), rtl::EPropertyError);  // no 5th member
  EXPECT_TRUE(o.Parts().Empty());
  EXPECT_THROW(GetStrProp(&o, "Count"), rtl::EPropertyError);
  EXPECT_THROW(GetOrdProp(&o, "Nothing"), rtl::EPropertyError);
  EXPECT_THROW(SetOrdProp(&o, "Computed", 1), rtl::EPropertyError);
  probe::TInner wrong;
  EXPECT_THROW(SetObjectProp(&o, "Link", &wrong), rtl::EPropertyError);  // not a component
  EXPECT_EQ(o.Link(), nullptr);
  EXPECT_FALSE(IsPublishedProp(&o, "Nothing"));
  EXPECT_FALSE(IsPublishedProp(&wrong, "Count"));
}

TEST(TypInfo, InheritedTablesAndRedeclaredProperties) {
  probe::TUnregistered o;  // falls back to the nearest registered class
  const auto list = GetPropList(&o);
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(list.front()->Name, "Name");  // ancestors first
  EXPECT_EQ(list.back()->Name, "Extra");
  int counts = 0;
  for (const TPropInfo *p : list)
    if (p->Name == "Count") {
      ++counts;
      EXPECT_EQ(p->DefaultValue(), 5);
    }
  EXPECT_EQ(counts, 1);
  SetOrdProp(&o, "Extra", 3);
  SetStrProp(&o, "name", "Probe1");
  EXPECT_EQ(o.Name(), "Probe1");
  EXPECT_THROW(SetStrProp(&o, "name", "1bad"), rtl::EComponentError);
}

TEST(TypInfo, DefaultsAndStoredDecideWhatIsWritten) {
  TProbe o;
  const TPropInfo &count = FindPropInfo(&o, "Count");
  const TPropInfo &active = FindPropInfo(&o, "Active");
  EXPECT_FALSE(IsStoredProp(&o, count));  // 0 is its default
  o.SetCount(1);
  EXPECT_TRUE(IsStoredProp(&o, count));
  EXPECT_FALSE(IsStoredProp(&o, active));
  o.SetActive(false);
  EXPECT_TRUE(IsStoredProp(&o, active));
  EXPECT_FALSE(IsStoredProp(&o, FindPropInfo(&o, "Name")));
  EXPECT_TRUE(IsStoredProp(&o, FindPropInfo(&o, "Caption")));  // no default
}

TEST(TypInfo, PathsReachNestedObjectsAndOwnedComponents) {
  TComponent form;
  form.SetName("FormMain");
  auto *edit = new TProbe(&form);
  edit->SetName("EditCodice");
  rtl::TObject *target = nullptr;
  const TPropInfo &p = ResolvePropPath(&form, "editcodice.Inner.Label", &target);
  EXPECT_EQ(target, edit->Inner());
  p.SetStr(target, "x");
  EXPECT_EQ(edit->Inner()->Label(), "x");
  EXPECT_THROW(ResolvePropPath(&form, "Missing.Caption", &target), rtl::EPropertyError);

  SetPropValue(edit, "Shade", rtl::Variant("shDark"));
  EXPECT_EQ(GetPropValue(edit, "Shade").AsString(), "shDark");
  SetPropValue(edit, "Parts", rtl::Variant("ptSide"));
  EXPECT_EQ(GetPropValue(edit, "Parts").AsString(), "ptSide");
  SetPropValue(edit, "Count", rtl::Variant("12"));
  EXPECT_EQ(edit->Count(), 12);
  EXPECT_EQ(GetPropValue(edit, "Active").Type(), rtl::VarType::Boolean);
}

TEST(TypInfo, ClassesAreCreatedByName) {
  RegisterClass<TProbe>();
  TComponent owner;
  TComponent *c = FindClass("tprobe")(&owner);
  EXPECT_EQ(c->ClassName(), "TProbe");
  EXPECT_EQ(c->Owner(), &owner);
  EXPECT_FALSE(GetClass("TNoSuch"));
  try {
    FindClass("TNoSuch");
    FAIL();
  } catch (const EClassNotFound &e) {
    EXPECT_EQ(e.Message(), "Class TNoSuch not found");
  }
}

TEST(TypInfo, ValuesAsVariantsKeepTheirKind) {
  TProbe o;
  o.SetPrice(12.3456);
  EXPECT_EQ(GetPropValue(&o, "Price").Type(), rtl::VarType::Currency);
  o.SetParts(probe::TParts{probe::ptMiddle, probe::ptSide});
  EXPECT_EQ(GetPropValue(&o, "Parts").AsString(), "ptMiddle,ptSide");
  EXPECT_EQ(GetPropValue(&o, "Parts", false).AsInt64(), 0b1010);
  EXPECT_EQ(GetPropValue(&o, "Shade", false).AsInteger(), 0);
  o.SetMark(u'x');
  EXPECT_EQ(GetPropValue(&o, "Mark").AsString(), "x");
  SetPropValue(&o, "Mark", rtl::Variant("yz"));
  EXPECT_EQ(o.Mark(), QChar(u'y'));
  SetPropValue(&o, "Active", rtl::Variant(false));
  EXPECT_FALSE(o.Active());
  SetPropValue(&o, "Caption", rtl::Variant::Null());
  EXPECT_EQ(o.Caption(), "");
  EXPECT_TRUE(GetPropValue(&o, "Link").IsEmpty());  // objects are not values
  EXPECT_THROW(SetPropValue(&o, "Link", rtl::Variant(1)), rtl::EPropertyError);
}

TEST(TypInfo, TypeRefinementsStayInTheirFamily) {
  TClassProps table;
  table.ClassName = "TRefined";
  TPublisher<TProbe> p(table);
  EXPECT_NO_THROW(p.Property("Ratio", &TProbe::Ratio, &TProbe::SetRatio).Type(TypeInfoDateTime()));
  EXPECT_THROW(p.Property("Count", &TProbe::Count, &TProbe::SetCount).Type(TypeInfoString()), rtl::EPropertyError);
  EXPECT_EQ(table.Props.size(), 2u);
  EXPECT_EQ(table.Props[0]->PropType, TypeInfoDateTime());
  EXPECT_EQ(table.Props[0]->DeclaringClass, "TRefined");
}

TEST(TypInfo, EnumerationInformation) {
  const TTypeInfo *shade = TypeInfoOf<probe::TShade>();
  EXPECT_EQ(shade->Name, "TShade");
  EXPECT_EQ(shade->MaxValue(), 2);
  EXPECT_EQ(shade->EnumName(1), "shMedium");
  EXPECT_EQ(shade->EnumName(7), "");
  EXPECT_EQ(shade->EnumValue(" shdark "), 2);
  const TTypeInfo *parts = TypeInfoOf<probe::TParts>();
  EXPECT_EQ(parts->Kind, tkSet);
  EXPECT_EQ(parts->CompType, TypeInfoOf<probe::TPart>());
  EXPECT_EQ(SetToString(parts, 0), "[]");
  EXPECT_EQ(StringToSet(parts, "ptSide ptTop"), 0b1001u);
  EXPECT_EQ(TypeInfoOf<bool>(), TypeInfoBoolean());
  EXPECT_EQ(TypeInfoOf<long long>()->Kind, tkInt64);
  EXPECT_EQ(TypeInfoOf<TProbe *>()->ClassName, "TProbe");
}
