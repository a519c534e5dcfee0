// Name resolution; see kvvars.h. The built-in functions and the formatting
// live in kvfunc.cpp, the variables in kvvalues.cpp.
#include "report/engine/vars/kvvars.h"

#include <QSet>
#include <vector>

#include "platform/rtl/numbers.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/db/db.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/expr/kvexpr.h"
#include "report/engine/model/kvclass.h"
#include "report/engine/model/kvglobals.h"
#include "report/engine/vars/kvfunc.h"

namespace report {

using rtl::Variant;

// ---- context defaults: the engine's current view ------------------------------------

QString TkvReportContext::ObjectName() const {
  const TkvView *v = kvEngine().CurView;
  return v != nullptr ? v->Name : QString();
}

std::int32_t TkvReportContext::ObjectFormat() const {
  const TkvView *v = kvEngine().CurView;
  return v != nullptr ? v->Format : 0;
}

QString TkvReportContext::ObjectFormatStr() const {
  const TkvView *v = kvEngine().CurView;
  return v != nullptr ? v->FormatStr : QString();
}

bool TkvReportContext::IsTableAggregateObject() const {
  const auto *m = dynamic_cast<const TkvCustomMemoView *>(kvEngine().CurView);
  return m != nullptr && m->TableTotal != 0;
}

void TkvReportContext::MarkTableAggregateObject() {
  if (auto *m = dynamic_cast<TkvCustomMemoView *>(kvEngine().CurView)) m->TableTotal = 1;
}

void TkvReportContext::MarkMultiLine() {
  if (auto *m = dynamic_cast<TkvCustomMemoView *>(kvEngine().CurView)) m->LineBreak = 1;
}

// ---- resolution ------------------------------------------------------------------

TkvResolveState &KvResolveState() {
  static TkvResolveState state;
  return state;
}

namespace {

TkvReportContext *g_context = nullptr;

struct Handler {
  int id;
  TkvFunctionHandler fn;
};
std::vector<Handler> &Handlers() {
  static std::vector<Handler> handlers;
  return handlers;
}

bool IsBlobType(vcl::TFieldType t) {
  switch (t) {
    case vcl::ftBlob:
    case vcl::ftMemo:
    case vcl::ftGraphic:
    case vcl::ftFmtMemo:
    case vcl::ftParadoxOle:
    case vcl::ftDBaseOle:
    case vcl::ftTypedBinary:
      return true;
    default:
      return false;
  }
}

// A field's value for an expression: a Null reads as 0, an empty text or
// false, so that arithmetic goes on; GetValue prints it empty.
Variant FieldValue(vcl::TField *field) {
  KvResolveState().CurrentField = field;
  Variant v = field->Value();
  if (!v.IsNull()) return v;
  switch (field->DataType()) {
    case vcl::ftString:
    case vcl::ftFixedChar:
    case vcl::ftWideString:
    case vcl::ftMemo:
    case vcl::ftFmtMemo:
      return Variant(QString());
    case vcl::ftBoolean:
      return Variant(false);
    case vcl::ftDate:
    case vcl::ftTime:
    case vcl::ftDateTime:
      return Variant::FromDate(0);
    case vcl::ftSmallint:
    case vcl::ftInteger:
    case vcl::ftWord:
    case vcl::ftAutoInc:
    case vcl::ftLargeint:
    case vcl::ftFloat:
    case vcl::ftCurrency:
    case vcl::ftBCD:
      return Variant(0);
    default:
      return v;
  }
}

Variant SystemVariable(TkvReportContext &ctx, const QString &upper) {
  const TkvResolveState &state = KvResolveState();
  if (upper == u"VALUE" || upper == u"VALORE") return state.CurrentValue;
  if (upper == u"PAGE#") return Variant(ctx.PageNumber());
  if (upper == u"DATE") return Variant::FromDate(state.Date);
  if (upper == u"TIME") return Variant::FromDate(state.Time);
  if (upper == u"LINE#") return Variant(ctx.LineNumber());
  if (upper == u"LINETHROUGH#") return Variant(ctx.LineThrough());
  if (upper == u"COLUMN#") return Variant(ctx.ColumnNumber());
  if (upper == u"CURRENT#") return Variant(ctx.CurrentLine());
  if (upper == u"TOTALPAGES") return Variant(ctx.TotalPages());
  return Variant();
}

// Steps for a name without parameters: the field lookup and the system
// variables (also where a binding for a system value continues).
// `upper` is `name` in capitals, made when first needed: most names are
// fields, read for every row.
Variant FieldOrSystem(TkvReportContext &ctx, const QString &name, QString upper = QString()) {
  vcl::TDataSet *ds = nullptr;
  if (vcl::TField *f = FindFieldByName(name, ctx.ReportOwner(), ctx.BandDataSet(), &ds)) return FieldValue(f);
  if (upper.isNull()) upper = name.toUpper();
  if (ds != nullptr) {
    const QString own = ds->Owner() != nullptr ? ds->Owner()->Name() + u'.' + ds->Name() : ds->Name();
    if (upper == own.toUpper() || upper == ds->Name().toUpper()) return Variant(upper);
  }
  return SystemVariable(ctx, upper);
}

Variant ResolvePlain(TkvReportContext &ctx, const QString &name) {
  if (TkvValues *values = ctx.Values()) {
    if (TkvValue *b = values->FindValue(name)) {
      Variant v;
      if (ctx.GetValueEvent(name, v) && !v.IsEmpty()) return v;
      switch (b->Type) {
        case vtNotAssigned:
          return Variant::Null();
        case vtDBField: {
          const QString path = b->DataSet + QStringLiteral(".\"") + b->Field + u'"';
          if (vcl::TField *f = FindFieldByName(path, ctx.ReportOwner(), ctx.BandDataSet())) return FieldValue(f);
          return Variant();
        }
        default:
          if (b->OtherKind == vkExpression) return Expr().Evaluate(b->Field);
          if (b->OtherKind >= 0 && b->OtherKind < vkCount) {
            const QString sys = KvSystemVariables()[b->OtherKind];
            return FieldOrSystem(ctx, sys, sys);
          }
          return Variant();
      }
    }
  }
  if (name.compare(u"PI", Qt::CaseInsensitive) == 0) return Variant(3.1415926535897932385);
  return FieldOrSystem(ctx, name);
}

}  // namespace

Variant KvResolveName(TkvReportContext &ctx, const QString &raw_name, const QStringList *params) {
  if (!kvEngine().ErrorText.isEmpty()) return Variant();
  const QString name = rtl::Trim(raw_name);
  const bool plain = params == nullptr || params->isEmpty();

  Variant v;
  if (plain) {
    v = ResolvePlain(ctx, name);
    if (v.IsEmpty() && name.compare(u"COUNT", Qt::CaseInsensitive) == 0) {
      bool known = false;
      v = KvBuiltInFunction(ctx, name, name.toUpper(), QStringList(), known);
    }
  } else {
    bool known = false;
    v = KvBuiltInFunction(ctx, name, name.toUpper(), *params, known);
    if (known && v.IsEmpty()) return v;  // an error was recorded
  }
  if (!kvEngine().ErrorText.isEmpty()) return Variant();

  if (v.IsEmpty()) {
    Variant p[3];
    for (int i = 0; params != nullptr && i < params->size() && i < 3; ++i) p[i] = Expr().Evaluate(params->at(i));
    const std::vector<Handler> handlers = Handlers();  // a handler may add or remove others
    for (const Handler &h : handlers) {
      Variant r;
      if (h.fn && h.fn(name, p[0], p[1], p[2], r) && !r.IsEmpty()) {
        v = r;
        break;
      }
    }
    if (v.IsEmpty()) ctx.UserFunction(name, p[0], p[1], p[2], v);
  }
  if (v.Type() == rtl::VarType::Boolean) return Variant(v.AsBoolean() ? 1 : 0);
  return v;
}

QString KvGetValue(TkvReportContext &ctx, const QString &text) {
  if (!kvEngine().ErrorText.isEmpty()) return QString();
  TkvResolveState &state = KvResolveState();
  QString result;
  try {
    state.CurrentField = nullptr;
    Variant v = KvResolveName(ctx, text, nullptr);
    if (v.IsEmpty()) v = Expr().Evaluate(text);
    if (state.CurrentField != nullptr && state.CurrentField->IsNull()) v = Variant::Null();
    if (Expr().Mode() == TkvExpr::emRegistration) return QString();
    state.CurrentValue = v;
    result = KvFormatValue(v, ctx.ObjectFormat(), ctx.ObjectFormatStr());
  } catch (const rtl::Exception &e) {
    kvSetError(QStringLiteral("Errore. ") + e.Message());
    return QString();
  }
  if (result.contains(QStringLiteral("\r\n"))) ctx.MarkMultiLine();
  return result;
}

void KvBindValues(TkvReportContext &ctx) {
  TkvResolveState &state = KvResolveState();
  state.HasBlobFields = false;
  TkvValues *values = ctx.Values();
  if (values == nullptr) return;
  for (int i = 0; i < values->Count(); ++i) {
    TkvValue *b = values->Value(i);
    if (b->Type != vtDBField) continue;
    b->DSet = FindDataSetByName(ctx.ReportOwner(), b->DataSet);
    b->TField = nullptr;
    if (b->DSet == nullptr) return;  // FindDataSetByName noted the error
    if (!b->DSet->Active()) continue;
    b->TField = b->DSet->FindField(b->Field);
    if (b->TField == nullptr) {
      kvSetError(QStringLiteral("Non è stato possibile reperire il campo: ") + b->DSet->Name() + u'.' + b->Field);
      return;
    }
    if (IsBlobType(b->TField->DataType())) state.HasBlobFields = true;
  }
}

namespace {

// The memos found to name no memo field since the resolver was installed.
QSet<const TkvView *> &NoMemoField() {
  static QSet<const TkvView *> memos;
  return memos;
}

// The blob field a bracketed name stands for: a variable bound to a field,
// or else a field reference; nullptr for anything else.
vcl::TField *BlobFieldNamed(TkvReportContext &ctx, const QString &name) {
  vcl::TField *field = nullptr;
  TkvValue *b = ctx.Values() != nullptr ? ctx.Values()->FindValue(name) : nullptr;
  if (b != nullptr) {
    if (b->Type == vtDBField) field = b->TField;
  } else {
    field = FindFieldByName(name, ctx.ReportOwner(), ctx.BandDataSet());
  }
  return field != nullptr && IsBlobType(field->DataType()) ? field : nullptr;
}

}  // namespace

vcl::TField *KvPictureField(TkvReportContext &ctx, const QString &first_line) {
  // A field named directly loads too, not only through a variable bound to
  // a blob field: a picture showing "[Foto]" of its band's table prints it.
  if (first_line.size() <= 2 || !first_line.startsWith(u'[')) return nullptr;
  const int close = first_line.lastIndexOf(u']');
  if (close < 1) return nullptr;
  return BlobFieldNamed(ctx, first_line.mid(1, close - 1));
}

vcl::TField *KvMemoField(TkvReportContext &ctx, const rtl::TStringList &memo) {
  if (memo.Count() != 1) return nullptr;
  const QString line = memo.Strings(0);
  // One bracket and nothing else: "[Note]", not "[A] [B]" nor "[SUM([x])]".
  if (line.size() <= 2 || !line.startsWith(u'[') || !line.endsWith(u']') || line.indexOf(u'[', 1) >= 0) return nullptr;
  vcl::TField *field = BlobFieldNamed(ctx, line.mid(1, line.size() - 2));
  if (field == nullptr) return nullptr;
  const vcl::TFieldType t = field->DataType();
  return t == vcl::ftMemo || t == vcl::ftFmtMemo ? field : nullptr;
}

bool KvBindField(TkvView *view) {
  if (g_context == nullptr || view == nullptr) return false;
  if (auto *picture = dynamic_cast<TkvPictureView *>(view)) {
    if (picture->Memo.Count() == 0) return false;
    vcl::TField *field = KvPictureField(*g_context, picture->Memo.Strings(0));
    if (field == nullptr) return false;
    picture->LoadFromField(field);
    return true;
  }
  if (auto *memo = dynamic_cast<TkvMemoView *>(view)) {
    // Most memos name no memo field: each is looked at once a pass, not on
    // every row (a field's kind does not change while the pass runs).
    if (NoMemoField().contains(memo)) return false;
    vcl::TField *field = KvMemoField(*g_context, memo->Memo);
    if (field == nullptr) {
      NoMemoField().insert(memo);
      return false;
    }
    memo->LoadFromField(field);
    return true;
  }
  return false;
}

namespace {

// The binding is the engine's from the start: whenever a report is being
// prepared (a resolver context is installed) its fields feed the objects.
[[maybe_unused]] const bool g_bind_field_installed = [] {
  kvEngine().BindField = KvBindField;
  return true;
}();

}  // namespace

int KvAddFunctionHandler(TkvFunctionHandler handler) {
  static int next_id = 0;
  Handlers().push_back(Handler{++next_id, std::move(handler)});
  return next_id;
}

void KvRemoveFunctionHandler(int id) {
  auto &h = Handlers();
  for (auto it = h.begin(); it != h.end(); ++it) {
    if (it->id == id) {
      h.erase(it);
      return;
    }
  }
}

void KvInstallResolver(TkvReportContext *context) {
  g_context = context;
  NoMemoField().clear();
  TkvEngineState &engine = kvEngine();
  if (context == nullptr) {
    Expr().SetResolver(nullptr);
    engine.ExpandBracket = nullptr;
    engine.Evaluate = nullptr;
    return;
  }
  const rtl::TDateTime now = rtl::Now();
  KvResolveState().Date = rtl::Int(now);
  KvResolveState().Time = rtl::Frac(now);
  Expr().SetResolver([](const QString &name, const QStringList *params) -> Variant {
    return g_context != nullptr ? KvResolveName(*g_context, name, params) : Variant();
  });
  engine.ExpandBracket = [](const QString &inner) -> QString {
    return g_context != nullptr ? KvGetValue(*g_context, inner) : u'[' + inner + u']';
  };
  engine.Evaluate = [](const QString &expression) { return Expr().Evaluate(expression); };
  engine.BindField = KvBindField;
}

}  // namespace report
