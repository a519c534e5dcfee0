// The field objects: how each kind turns the dataset's stored value into
// the typed accessors and into display and edit text, and how typed values
// and typed text are checked and stored. Storage itself is the dataset's
// (GetFieldData / SetFieldData); a field only converts and validates.
#include <cmath>

#include "platform/rtl/cp1252.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/db/dataset.h"
#include "platform/vcl/db/fields.h"

namespace vcl {

namespace {

bool IsWriteState(TDataSetState s) {
  switch (s) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue:
    case dsInternalCalc:
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---- TField ---------------------------------------------------------------------------

TField::TField(TComponent *owner) : TComponent(owner) {}

TField::~TField() {
  if (dataset_) dataset_->FieldRemoved(this);
  dataset_ = nullptr;
}

void TField::Notification(TComponent *component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == lookup_dataset_) {
    lookup_dataset_ = nullptr;
    lookup_cache_values_.clear();
  }
}

void TField::SetDataSet(TDataSet *dataset) {
  if (dataset == dataset_) return;
  if ((dataset_ && dataset_->Active()) || (dataset && dataset->Active()))
    DatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"), dataset_ ? dataset_ : dataset);
  if (dataset_) dataset_->FieldRemoved(this);
  dataset_ = nullptr;
  if (dataset) {
    if (!field_name_.isEmpty() && dataset->FindField(field_name_))
      DatabaseError(QStringLiteral("Duplicate field name '%1'").arg(DisplayName()), dataset);
    dataset->FieldAdded(this);
    dataset_ = dataset;
  }
}

void TField::SetFieldName(const QString &name) {
  if (dataset_) {
    dataset_->CheckInactive();
    TField *other = dataset_->FindField(name);
    if (other && other != this) DatabaseError(QStringLiteral("Duplicate field name '%1'").arg(name), dataset_);
  }
  field_name_ = name;
}

void TField::SetSize(int size) {
  if (dataset_) dataset_->CheckInactive();
  size_ = size;
}

void TField::SetFieldKind(TFieldKind kind) {
  if (kind == field_kind_) return;
  if (dataset_) dataset_->CheckInactive();
  field_kind_ = kind;
}

int TField::Index() const { return dataset_ ? dataset_->Fields().IndexOf(this) : -1; }

void TField::SetIndex(int index) {
  if (!dataset_) return;
  dataset_->Fields().Move(Index(), index);
  PropertyChanged(true);
}

void TField::Bind(int field_no, int offset) {
  field_no_ = field_no;
  offset_ = offset;
}

void TField::PropertyChanged(bool layout) {
  if (dataset_ && dataset_->Active()) dataset_->DataEvent(layout ? deLayoutChange : deDataSetChange);
}

void TField::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  PropertyChanged(true);
}

void TField::SetReadOnly(bool read_only) {
  if (read_only_ == read_only) return;
  read_only_ = read_only;
  PropertyChanged(false);
}

void TField::SetDisplayLabel(const QString &label) {
  if (display_label_ == label) return;
  display_label_ = label == field_name_ ? QString() : label;
  PropertyChanged(true);
}

void TField::SetDisplayWidth(int width) {
  if (display_width_ == width) return;
  display_width_ = width;
  PropertyChanged(true);
}

void TField::SetAlignment(TAlignment alignment) {
  if (alignment_ == alignment) return;
  alignment_ = alignment;
  PropertyChanged(false);
}

bool TField::IsValidChar(QChar c) const { return valid_chars_.isEmpty() || valid_chars_.contains(c); }

void TField::SetLookupDataSet(TDataSet *dataset) {
  if (dataset && dataset == dataset_) DatabaseError(QStringLiteral("Circular datalinks are not allowed"), dataset_);
  if (lookup_dataset_) lookup_dataset_->RemoveFreeNotification(this);
  lookup_dataset_ = dataset;
  if (dataset) dataset->FreeNotification(this);
  lookup_cache_values_.clear();
}

bool TField::GetData(rtl::Variant *value) const {
  if (validating_) {
    if (validate_value_.IsEmptyOrNull()) return false;
    if (value) *value = validate_value_;
    return true;
  }
  if (!dataset_) DatabaseError(QStringLiteral("Field '%1' has no dataset").arg(DisplayName()));
  if (dataset_->State() == dsInactive)
    DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"), dataset_);
  return dataset_->GetFieldData(const_cast<TField *>(this), value);
}

void TField::SetData(const rtl::Variant &value) {
  if (!dataset_) DatabaseError(QStringLiteral("Field '%1' has no dataset").arg(DisplayName()));
  if (!IsWriteState(dataset_->State())) {
    if (dataset_->State() == dsInactive)
      DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"), dataset_);
    DatabaseError(QStringLiteral("Dataset not in edit or insert mode"), dataset_);
  }
  dataset_->SetFieldData(this, value.IsEmpty() ? rtl::Variant::Null() : value);
}

bool TField::IsNull() const { return !GetData(nullptr); }

void TField::Validate(const rtl::Variant &value) {
  if (!OnValidate) return;
  const bool was = validating_;
  const rtl::Variant saved = validate_value_;
  validating_ = true;
  validate_value_ = value;
  try {
    OnValidate(this);
  } catch (...) {
    validating_ = was;
    validate_value_ = saved;
    throw;
  }
  validating_ = was;
  validate_value_ = saved;
}

void TField::Change() {
  if (OnChange) OnChange(this);
}

bool TField::CanModify() const {
  if (read_only_ || !dataset_ || !dataset_->Active()) return false;
  if (field_kind_ == fkCalculated || field_kind_ == fkLookup) return false;
  return dataset_->CanModify();
}

void TField::FocusControl() {
  if (!dataset_ || !dataset_->Active()) return;
  TField *self = this;
  dataset_->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(&self));
}

rtl::Variant TField::OldValue() const {
  if (!dataset_) return rtl::Variant::Null();
  const TDataSetState saved = dataset_->SetTempState(dsOldValue);
  rtl::Variant v;
  try {
    v = GetAsVariant();
  } catch (...) {
    dataset_->RestoreState(saved);
    throw;
  }
  dataset_->RestoreState(saved);
  return v;
}

rtl::Variant TField::NewValue() const { return GetAsVariant(); }

void TField::SetAsVariant(const rtl::Variant &v) {
  if (v.IsEmptyOrNull())
    Clear();
  else
    SetVariantValue(v);
}

void TField::AccessError(const QString &type_name) const {
  DatabaseError(QStringLiteral("Cannot access field '%1' as type %2").arg(DisplayName(), type_name));
}

void TField::RangeError(double value, double min, double max) const {
  DatabaseError(QStringLiteral("%1 non è un valore valido per il campo '%2'. I valori ammessi vanno da %3 a %4")
                    .arg(rtl::FloatToStr(value), DisplayName(), rtl::FloatToStr(min), rtl::FloatToStr(max)));
}

rtl::Variant TField::GetAsVariant() const {
  rtl::Variant v;
  return GetData(&v) ? v : rtl::Variant::Null();
}

QString TField::GetAsString() const { return rtl::VarToStr(GetAsVariant()); }
int TField::GetAsInteger() const { AccessError(QStringLiteral("Integer")); }
double TField::GetAsFloat() const { AccessError(QStringLiteral("Float")); }
bool TField::GetAsBoolean() const { AccessError(QStringLiteral("Boolean")); }
rtl::TDateTime TField::GetAsDateTime() const { AccessError(QStringLiteral("DateTime")); }
void TField::SetAsStringValue(const QString &v) { SetData(rtl::Variant(v)); }
void TField::SetAsIntegerValue(int) { AccessError(QStringLiteral("Integer")); }
void TField::SetAsFloatValue(double) { AccessError(QStringLiteral("Float")); }
void TField::SetAsBooleanValue(bool) { AccessError(QStringLiteral("Boolean")); }
void TField::SetAsDateTimeValue(rtl::TDateTime) { AccessError(QStringLiteral("DateTime")); }
void TField::SetVariantValue(const rtl::Variant &v) { SetData(v); }

QString TField::GetTextValue(bool display) const {
  QString text;
  if (OnGetText) {
    OnGetText(const_cast<TField *>(this), text, display);
    return text;
  }
  return GetAsString();
}

void TField::SetText(const QString &text) {
  if (OnSetText)
    OnSetText(this, text);
  else
    SetAsString(text);
}

// ---- TStringField ---------------------------------------------------------------------------

TStringField::TStringField(TComponent *owner) : TField(owner) {
  data_type_ = ftString;
  size_ = 20;
}

rtl::Variant TStringField::GetAsVariant() const {
  rtl::Variant v;
  if (!GetData(&v)) return rtl::Variant::Null();
  return rtl::Variant(v.AsString());
}

QString TStringField::GetAsString() const {
  rtl::Variant v;
  return GetData(&v) ? v.AsString() : QString();
}

int TStringField::GetAsInteger() const { return rtl::StrToInt(GetAsString()); }
double TStringField::GetAsFloat() const { return rtl::StrToFloat(GetAsString()); }

bool TStringField::GetAsBoolean() const {
  const QString s = GetAsString();
  return !s.isEmpty() && QStringLiteral("TtYy").contains(s.at(0));
}

rtl::TDateTime TStringField::GetAsDateTime() const { return rtl::StrToDateTime(GetAsString()); }

void TStringField::SetAsStringValue(const QString &v) {
  if (v.isEmpty()) {
    Clear();
    return;
  }
  SetData(rtl::Variant(size_ > 0 && v.size() > size_ ? v.left(size_) : v));
}

void TStringField::SetAsIntegerValue(int v) { SetAsStringValue(rtl::IntToStr(v)); }
void TStringField::SetAsFloatValue(double v) { SetAsStringValue(rtl::FloatToStr(v)); }
void TStringField::SetAsBooleanValue(bool v) { SetAsStringValue(v ? QStringLiteral("True") : QStringLiteral("False")); }
void TStringField::SetAsDateTimeValue(rtl::TDateTime v) { SetAsStringValue(rtl::DateTimeToStr(v)); }
void TStringField::SetVariantValue(const rtl::Variant &v) { SetAsStringValue(rtl::VarToStr(v)); }

// ---- numbers ---------------------------------------------------------------------------------

TNumericField::TNumericField(TComponent *owner) : TField(owner) { alignment_ = taRightJustify; }

void TNumericField::SetDisplayFormat(const QString &f) {
  if (display_format_ == f) return;
  display_format_ = f;
  PropertyChanged(false);
}

void TNumericField::SetEditFormat(const QString &f) {
  if (edit_format_ == f) return;
  edit_format_ = f;
  PropertyChanged(false);
}

bool TNumericField::IsValidChar(QChar c) const {
  if (!ValidChars().isEmpty()) return TField::IsValidChar(c);
  return c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-');
}

TIntegerField::TIntegerField(TComponent *owner) : TNumericField(owner) { data_type_ = ftInteger; }

rtl::Variant TIntegerField::GetAsVariant() const {
  rtl::Variant v;
  if (!GetData(&v)) return rtl::Variant::Null();
  return rtl::Variant(v.AsInteger());
}

int TIntegerField::GetAsInteger() const {
  rtl::Variant v;
  return GetData(&v) ? v.AsInteger() : 0;
}

QString TIntegerField::GetAsString() const {
  rtl::Variant v;
  return GetData(&v) ? rtl::IntToStr(v.AsInteger()) : QString();
}

double TIntegerField::GetAsFloat() const { return GetAsInteger(); }
bool TIntegerField::GetAsBoolean() const { return GetAsInteger() != 0; }

void TIntegerField::SetAsStringValue(const QString &v) {
  if (v.isEmpty()) {
    Clear();
    return;
  }
  int n = 0;
  if (!rtl::TryStrToInt(v, n))
    DatabaseError(QStringLiteral("'%1' non è un numero intero valido per il campo '%2'").arg(v, DisplayName()));
  SetAsIntegerValue(n);
}

void TIntegerField::SetAsIntegerValue(int v) {
  const bool own_range = min_value_ != 0 || max_value_ != 0;
  const int lo = own_range ? min_value_ : low_;
  const int hi = own_range ? max_value_ : high_;
  if (v < lo || v > hi) RangeError(v, lo, hi);
  SetData(rtl::Variant(v));
}

void TIntegerField::SetAsFloatValue(double v) {
  if (!std::isfinite(v) || v < INT32_MIN || v > INT32_MAX) {
    const bool own_range = min_value_ != 0 || max_value_ != 0;
    RangeError(v, own_range ? min_value_ : low_, own_range ? max_value_ : high_);
  }
  SetAsIntegerValue(static_cast<int>(rtl::Round(v)));
}

void TIntegerField::SetAsBooleanValue(bool v) { SetAsIntegerValue(v ? 1 : 0); }

void TIntegerField::SetVariantValue(const rtl::Variant &v) {
  switch (v.Type()) {
    case rtl::VarType::String:
      SetAsStringValue(v.AsString());
      break;
    case rtl::VarType::Double:
    case rtl::VarType::Currency:
    case rtl::VarType::Date:
      SetAsFloatValue(v.AsDouble());
      break;
    case rtl::VarType::Int64: {
      const std::int64_t n = v.AsInt64();
      if (n < INT32_MIN || n > INT32_MAX) SetAsFloatValue(static_cast<double>(n));
      SetAsIntegerValue(static_cast<int>(n));
      break;
    }
    default:
      SetAsIntegerValue(v.AsInteger());
      break;
  }
}

QString TIntegerField::GetTextValue(bool display) const {
  if (OnGetText) return TField::GetTextValue(display);
  rtl::Variant v;
  if (!GetData(&v)) return QString();
  const QString fmt = (display || edit_format_.isEmpty()) ? display_format_ : edit_format_;
  if (fmt.isEmpty()) return rtl::IntToStr(v.AsInteger());
  return rtl::FormatFloat(fmt, v.AsInteger());
}

TSmallintField::TSmallintField(TComponent *owner) : TIntegerField(owner) {
  data_type_ = ftSmallint;
  low_ = -32768;
  high_ = 32767;
}

TWordField::TWordField(TComponent *owner) : TIntegerField(owner) {
  data_type_ = ftWord;
  low_ = 0;
  high_ = 65535;
}

TAutoIncField::TAutoIncField(TComponent *owner) : TIntegerField(owner) { data_type_ = ftAutoInc; }

TFloatField::TFloatField(TComponent *owner) : TNumericField(owner) { data_type_ = ftFloat; }

void TFloatField::SetCurrency(bool v) {
  if (currency_ == v) return;
  currency_ = v;
  PropertyChanged(false);
}

void TFloatField::SetPrecision(int v) {
  v = std::clamp(v, 2, 15);
  if (precision_ == v) return;
  precision_ = v;
  PropertyChanged(false);
}

rtl::Variant TFloatField::GetAsVariant() const {
  rtl::Variant v;
  if (!GetData(&v)) return rtl::Variant::Null();
  return rtl::Variant(v.AsDouble());
}

double TFloatField::GetAsFloat() const {
  rtl::Variant v;
  return GetData(&v) ? v.AsDouble() : 0.0;
}

int TFloatField::GetAsInteger() const {
  const double d = GetAsFloat();
  if (!std::isfinite(d) || d < INT32_MIN || d > INT32_MAX) RangeError(d, INT32_MIN, INT32_MAX);
  return static_cast<int>(rtl::Round(d));
}

QString TFloatField::GetAsString() const {
  rtl::Variant v;
  return GetData(&v) ? rtl::FloatToStr(v.AsDouble()) : QString();
}

void TFloatField::SetAsStringValue(const QString &v) {
  if (v.trimmed().isEmpty()) {
    Clear();
    return;
  }
  double d = 0;
  if (!rtl::TryStrToFloat(v, d))
    DatabaseError(QStringLiteral("'%1' non è un numero valido per il campo '%2'").arg(v, DisplayName()));
  SetAsFloatValue(d);
}

void TFloatField::SetAsIntegerValue(int v) { SetAsFloatValue(v); }

void TFloatField::SetAsFloatValue(double v) {
  // No column keeps NaN or an infinity as a number: the result of a
  // failed calculation is refused here rather than stored as garbage.
  if (!std::isfinite(v))
    DatabaseError(QStringLiteral("%1 non è un valore valido per il campo '%2'").arg(rtl::FloatToStr(v), DisplayName()));
  if ((min_value_ != 0 || max_value_ != 0) && (v < min_value_ || v > max_value_)) RangeError(v, min_value_, max_value_);
  SetData(rtl::Variant(v));
}

void TFloatField::SetVariantValue(const rtl::Variant &v) {
  if (v.Type() == rtl::VarType::String)
    SetAsStringValue(v.AsString());
  else
    SetAsFloatValue(v.AsDouble());
}

QString TFloatField::GetTextValue(bool display) const {
  if (OnGetText) return TField::GetTextValue(display);
  rtl::Variant v;
  if (!GetData(&v)) return QString();
  const double d = v.AsDouble();
  const QString fmt = (display || edit_format_.isEmpty()) ? display_format_ : edit_format_;
  if (!fmt.isEmpty()) return rtl::FormatFloat(fmt, d);
  if (currency_) {
    const int decimals = rtl::FormatSettings().CurrencyDecimals;
    return display ? rtl::FloatToStrF(d, rtl::ffCurrency, precision_, decimals)
                   : rtl::FloatToStrF(d, rtl::ffFixed, precision_, decimals);
  }
  return rtl::FloatToStrF(d, rtl::ffGeneral, precision_, 0);
}

TCurrencyField::TCurrencyField(TComponent *owner) : TFloatField(owner) {
  data_type_ = ftCurrency;
  currency_ = true;
}

TBCDField::TBCDField(TComponent *owner) : TFloatField(owner) {
  data_type_ = ftBCD;
  size_ = 4;
}

void TBCDField::SetAsFloatValue(double v) {
  // Fixed point: four decimals are all the column keeps.
  TFloatField::SetAsFloatValue(std::isfinite(v) ? rtl::SimpleRoundTo(v, -4) : v);
}

// ---- booleans ---------------------------------------------------------------------------------

TBooleanField::TBooleanField(TComponent *owner) : TField(owner) {
  data_type_ = ftBoolean;
  SetDisplayValues(QStringLiteral("True;False"));
}

void TBooleanField::SetDisplayValues(const QString &values) {
  display_values_ = values;
  const int p = values.indexOf(QLatin1Char(';'));
  if (p < 0) {
    true_text_ = values;
    false_text_.clear();
  } else {
    true_text_ = values.left(p);
    false_text_ = values.mid(p + 1);
  }
  PropertyChanged(false);
}

rtl::Variant TBooleanField::GetAsVariant() const {
  rtl::Variant v;
  if (!GetData(&v)) return rtl::Variant::Null();
  return rtl::Variant(v.AsBoolean());
}

bool TBooleanField::GetAsBoolean() const {
  rtl::Variant v;
  return GetData(&v) && v.AsBoolean();
}

int TBooleanField::GetAsInteger() const { return GetAsBoolean() ? 1 : 0; }

QString TBooleanField::GetAsString() const {
  rtl::Variant v;
  if (!GetData(&v)) return QString();
  return v.AsBoolean() ? true_text_ : false_text_;
}

void TBooleanField::SetAsStringValue(const QString &v) {
  const int n = static_cast<int>(v.size());
  if (n == 0) {
    if (false_text_.isEmpty())
      SetAsBooleanValue(false);
    else if (true_text_.isEmpty())
      SetAsBooleanValue(true);
    else
      Clear();
    return;
  }
  // Typing the beginning of a display value is enough ("T" for "True").
  if (rtl::AnsiCompareText(v, false_text_.left(n)) == 0)
    SetAsBooleanValue(false);
  else if (rtl::AnsiCompareText(v, true_text_.left(n)) == 0)
    SetAsBooleanValue(true);
  else
    DatabaseError(QStringLiteral("'%1' non è un valore valido (Sì o No) per il campo '%2'").arg(v, DisplayName()));
}

void TBooleanField::SetAsBooleanValue(bool v) { SetData(rtl::Variant(v)); }
void TBooleanField::SetAsIntegerValue(int v) { SetAsBooleanValue(v != 0); }

void TBooleanField::SetVariantValue(const rtl::Variant &v) {
  if (v.Type() == rtl::VarType::String)
    SetAsStringValue(v.AsString());
  else
    SetAsBooleanValue(v.AsBoolean());
}

// ---- dates and times ------------------------------------------------------------------------------

TDateTimeField::TDateTimeField(TComponent *owner) : TField(owner) { data_type_ = ftDateTime; }

void TDateTimeField::SetDisplayFormat(const QString &f) {
  if (display_format_ == f) return;
  display_format_ = f;
  PropertyChanged(false);
}

rtl::Variant TDateTimeField::GetAsVariant() const {
  rtl::Variant v;
  if (!GetData(&v)) return rtl::Variant::Null();
  return rtl::Variant::FromDate(v.AsDateTime());
}

rtl::TDateTime TDateTimeField::GetAsDateTime() const {
  rtl::Variant v;
  return GetData(&v) ? v.AsDateTime() : 0.0;
}

double TDateTimeField::GetAsFloat() const { return GetAsDateTime(); }

QString TDateTimeField::GetAsString() const { return FormatValue(false); }

QString TDateTimeField::DefaultFormat() const { return QString(); }  // "c"

QString TDateField::DefaultFormat() const { return rtl::FormatSettings().ShortDateFormat; }
QString TTimeField::DefaultFormat() const { return rtl::FormatSettings().LongTimeFormat; }

QString TDateTimeField::GetTextValue(bool display) const {
  if (OnGetText) return TField::GetTextValue(display);
  return FormatValue(display);
}

QString TDateTimeField::FormatValue(bool display) const {
  rtl::Variant v;
  if (!GetData(&v)) return QString();
  const QString fmt = (display && !display_format_.isEmpty()) ? display_format_ : DefaultFormat();
  return rtl::FormatDateTime(fmt, v.AsDateTime());
}

void TDateTimeField::SetAsStringValue(const QString &v) {
  if (v.trimmed().isEmpty()) {
    Clear();
    return;
  }
  SetAsDateTimeValue(rtl::StrToDateTime(v));
}

void TDateField::SetAsStringValue(const QString &v) {
  if (v.trimmed().isEmpty()) {
    Clear();
    return;
  }
  SetAsDateTimeValue(rtl::StrToDate(v));
}

void TTimeField::SetAsStringValue(const QString &v) {
  if (v.trimmed().isEmpty()) {
    Clear();
    return;
  }
  SetAsDateTimeValue(rtl::StrToTime(v));
}

void TDateTimeField::SetAsFloatValue(double v) { SetAsDateTimeValue(v); }

void TDateTimeField::SetAsDateTimeValue(rtl::TDateTime v) { SetData(rtl::Variant::FromDate(Normalize(v))); }

void TDateTimeField::SetVariantValue(const rtl::Variant &v) {
  if (v.Type() == rtl::VarType::String)
    SetAsStringValue(v.AsString());
  else
    SetAsDateTimeValue(v.AsDateTime());
}

TDateField::TDateField(TComponent *owner) : TDateTimeField(owner) { data_type_ = ftDate; }
rtl::TDateTime TDateField::Normalize(rtl::TDateTime v) const { return rtl::DateOf(v); }

TTimeField::TTimeField(TComponent *owner) : TDateTimeField(owner) { data_type_ = ftTime; }
rtl::TDateTime TTimeField::Normalize(rtl::TDateTime v) const { return rtl::TimeOf(v); }

// ---- bytes ------------------------------------------------------------------------------------------

TBinaryField::TBinaryField(TComponent *owner) : TField(owner) { size_ = 16; }

QByteArray TBinaryField::AsBytes() const {
  rtl::Variant v;
  return GetData(&v) ? v.AsBytes() : QByteArray();
}

void TBinaryField::SetAsBytes(const QByteArray &bytes) {
  if (bytes.isEmpty())
    Clear();
  else
    SetData(rtl::Variant(bytes));
}

rtl::Variant TBinaryField::GetAsVariant() const {
  rtl::Variant v;
  if (!GetData(&v)) return rtl::Variant::Null();
  return rtl::Variant(v.AsBytes());
}

QString TBinaryField::GetAsString() const { return rtl::FromCp1252(AsBytes()); }
void TBinaryField::SetAsStringValue(const QString &v) { SetAsBytes(rtl::ToCp1252(v)); }

void TBinaryField::SetVariantValue(const rtl::Variant &v) {
  if (v.Type() == rtl::VarType::String)
    SetAsStringValue(v.AsString());
  else
    SetAsBytes(v.AsBytes());
}

QString TBinaryField::GetTextValue(bool display) const {
  if (OnGetText) return TField::GetTextValue(display);
  return GetAsString();
}

TBytesField::TBytesField(TComponent *owner) : TBinaryField(owner) { data_type_ = ftBytes; }
TVarBytesField::TVarBytesField(TComponent *owner) : TBinaryField(owner) { data_type_ = ftVarBytes; }

// ---- blobs ----------------------------------------------------------------------------------------

TBlobField::TBlobField(TComponent *owner) : TField(owner) { data_type_ = ftBlob; }

QByteArray TBlobField::AsBytes() const {
  if (DataSet() && DataSet()->Active()) {
    std::unique_ptr<rtl::TStream> stream = DataSet()->CreateBlobStream(const_cast<TBlobField *>(this), bmRead);
    if (stream) {
      stream->Seek(0, rtl::soBeginning);
      QByteArray out;
      char chunk[4096];
      for (;;) {
        const qint64 n = stream->Read(chunk, sizeof chunk);
        if (n <= 0) break;
        out.append(chunk, static_cast<qsizetype>(n));
      }
      return out;
    }
  }
  rtl::Variant v;
  if (!GetData(&v)) return QByteArray();
  return v.Type() == rtl::VarType::String ? TextToBytes(v.AsString()) : v.AsBytes();
}

void TBlobField::SetAsBytes(const QByteArray &bytes) {
  if (DataSet() && DataSet()->Active() && IsWriteState(DataSet()->State())) {
    std::unique_ptr<rtl::TStream> stream = DataSet()->CreateBlobStream(this, bmWrite);
    if (stream) {
      if (!bytes.isEmpty()) stream->WriteBuffer(bytes.constData(), bytes.size());
      return;
    }
  }
  if (bytes.isEmpty())
    Clear();
  else if (data_type_ == ftMemo || data_type_ == ftFmtMemo)
    SetData(rtl::Variant(BytesToText(bytes)));
  else
    SetData(rtl::Variant(bytes));
}

void TBlobField::LoadFromStream(rtl::TStream *stream) {
  QByteArray bytes;
  char chunk[4096];
  for (;;) {
    const qint64 n = stream->Read(chunk, sizeof chunk);
    if (n <= 0) break;
    bytes.append(chunk, static_cast<qsizetype>(n));
  }
  SetAsBytes(bytes);
}

void TBlobField::SaveToStream(rtl::TStream *stream) const {
  const QByteArray bytes = AsBytes();
  if (!bytes.isEmpty()) stream->WriteBuffer(bytes.constData(), bytes.size());
}

QString TBlobField::BytesToText(const QByteArray &b) const { return rtl::FromCp1252(b); }
QByteArray TBlobField::TextToBytes(const QString &s) const { return rtl::ToCp1252(s); }

rtl::Variant TBlobField::GetAsVariant() const {
  if (IsNull()) return rtl::Variant::Null();
  return rtl::Variant(AsBytes());
}

QString TBlobField::GetAsString() const { return BytesToText(AsBytes()); }
void TBlobField::SetAsStringValue(const QString &v) { SetAsBytes(TextToBytes(v)); }

void TBlobField::SetVariantValue(const rtl::Variant &v) {
  if (v.Type() == rtl::VarType::String)
    SetAsStringValue(v.AsString());
  else
    SetAsBytes(v.AsBytes());
}

QString TBlobField::GetTextValue(bool display) const {
  if (OnGetText) return TField::GetTextValue(display);
  QString kind;
  switch (data_type_) {
    case ftMemo:
    case ftFmtMemo:
      if (!display) return GetAsString();
      kind = QStringLiteral("Memo");
      break;
    case ftGraphic:
      kind = QStringLiteral("Graphic");
      break;
    default:
      kind = QStringLiteral("Blob");
      break;
  }
  // The platform shows "(MEMO)" for a value and "(Memo)" for none.
  return QLatin1Char('(') + (IsNull() ? kind : kind.toUpper()) + QLatin1Char(')');
}

TMemoField::TMemoField(TComponent *owner) : TBlobField(owner) { data_type_ = ftMemo; }

rtl::Variant TMemoField::GetAsVariant() const {
  if (IsNull()) return rtl::Variant::Null();
  return rtl::Variant(GetAsString());
}

TGraphicField::TGraphicField(TComponent *owner) : TBlobField(owner) { data_type_ = ftGraphic; }

// ---- creation by type ----------------------------------------------------------------------------

TField *CreateFieldOfType(TFieldType type, TComponent *owner) {
  TField *f = nullptr;
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
      f = new TStringField(owner);
      break;
    case ftSmallint:
      f = new TSmallintField(owner);
      break;
    case ftInteger:
      f = new TIntegerField(owner);
      break;
    case ftWord:
      f = new TWordField(owner);
      break;
    case ftAutoInc:
      f = new TAutoIncField(owner);
      break;
    case ftBoolean:
      f = new TBooleanField(owner);
      break;
    case ftFloat:
      f = new TFloatField(owner);
      break;
    case ftCurrency:
      f = new TCurrencyField(owner);
      break;
    case ftBCD:
      f = new TBCDField(owner);
      break;
    case ftDate:
      f = new TDateField(owner);
      break;
    case ftTime:
      f = new TTimeField(owner);
      break;
    case ftDateTime:
      f = new TDateTimeField(owner);
      break;
    case ftBytes:
      f = new TBytesField(owner);
      break;
    case ftVarBytes:
      f = new TVarBytesField(owner);
      break;
    case ftBlob:
    case ftTypedBinary:
    case ftParadoxOle:
    case ftDBaseOle:
      f = new TBlobField(owner);
      break;
    case ftMemo:
    case ftFmtMemo:
      f = new TMemoField(owner);
      break;
    case ftGraphic:
      f = new TGraphicField(owner);
      break;
    default:
      return nullptr;
  }
  f->SetDataType(type);
  return f;
}

// ---- published properties ------------------------------------------------------------------

ORBISCA_PUBLISHED(TField, TComponent) {
  p.Property("FieldName", &TField::FieldName, &TField::SetFieldName);
  p.Property("FieldKind", &TField::FieldKind, &TField::SetFieldKind).Default(fkData);
  p.Property("DataSet", &TField::DataSet, &TField::SetDataSet);
  p.Property("Size", &TField::Size, &TField::SetSize);
  p.Property("Alignment", &TField::Alignment, &TField::SetAlignment);
  p.Property("DisplayLabel", &TField::DisplayLabel, &TField::SetDisplayLabel);
  p.Property("DisplayWidth", &TField::DisplayWidth, &TField::SetDisplayWidth);
  p.Property("Visible", &TField::Visible, &TField::SetVisible).Default(true);
  p.Property("ReadOnly", &TField::ReadOnly, &TField::SetReadOnly).Default(false);
  p.Property("Required", &TField::Required, &TField::SetRequired).Default(false);
  p.Property("EditMask", &TField::EditMask, &TField::SetEditMask);
  p.Property("DefaultExpression", &TField::DefaultExpression, &TField::SetDefaultExpression);
  p.Property("LookupDataSet", &TField::LookupDataSet, &TField::SetLookupDataSet);
  p.Property("LookupKeyFields", &TField::LookupKeyFields, &TField::SetLookupKeyFields);
  p.Property("LookupResultField", &TField::LookupResultField, &TField::SetLookupResultField);
  p.Property("KeyFields", &TField::KeyFields, &TField::SetKeyFields);
  p.Property("LookupCache", &TField::LookupCache, &TField::SetLookupCache).Default(false);
  p.Event("OnChange", &TField::OnChange);
  p.Event("OnGetText", &TField::OnGetText);
  p.Event("OnSetText", &TField::OnSetText);
  p.Event("OnValidate", &TField::OnValidate);
}

ORBISCA_PUBLISHED(TNumericField, TField) {
  p.Property("DisplayFormat", &TNumericField::DisplayFormat, &TNumericField::SetDisplayFormat);
  p.Property("EditFormat", &TNumericField::EditFormat, &TNumericField::SetEditFormat);
}

ORBISCA_PUBLISHED(TFloatField, TNumericField) {
  p.Property("Currency", &TFloatField::Currency, &TFloatField::SetCurrency).Default(false);
  p.Property("Precision", &TFloatField::Precision, &TFloatField::SetPrecision).Default(15);
}

ORBISCA_PUBLISHED(TBooleanField, TField) {
  p.Property("DisplayValues", &TBooleanField::DisplayValues, &TBooleanField::SetDisplayValues);
}

ORBISCA_PUBLISHED(TDateTimeField, TField) {
  p.Property("DisplayFormat", &TDateTimeField::DisplayFormat, &TDateTimeField::SetDisplayFormat);
}

// ---- TFields ----------------------------------------------------------------------------------

TField *TFields::Fields(int index) const {
  if (index < 0 || index >= Count()) rtl::ListIndexError(index);
  return items_[static_cast<size_t>(index)];
}

TField *TFields::FindField(const QString &name) const {
  // Names of another length differ in any case: only those of the same
  // length are compared (reports look fields up by name for every row).
  for (TField *f : items_) {
    const QString &field_name = f->FieldName();
    if (field_name.size() == name.size() && field_name.compare(name, Qt::CaseInsensitive) == 0) return f;
  }
  return nullptr;
}

TField *TFields::FieldByName(const QString &name) const {
  TField *f = FindField(name);
  if (!f) FieldNotFoundError(name, dataset_);
  return f;
}

TField *TFields::FieldByNumber(int field_no) const {
  for (TField *f : items_) {
    if (f->FieldNo() == field_no) return f;
  }
  return nullptr;
}

int TFields::IndexOf(const TField *field) const {
  auto it = std::find(items_.begin(), items_.end(), field);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TFields::Add(TField *field) {
  if (IndexOf(field) < 0) items_.push_back(field);
}

void TFields::Remove(TField *field) { items_.erase(std::remove(items_.begin(), items_.end(), field), items_.end()); }

void TFields::Move(int from, int to) {
  if (from < 0 || from >= Count()) return;
  to = std::clamp(to, 0, Count() - 1);
  TField *f = items_[static_cast<size_t>(from)];
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, f);
}

}  // namespace vcl
