// Jet files through libmdb (see jetreader.h).
//
// Values are taken from the row as the file stores it wherever the bytes are
// plain (numbers, currency, dates as day counts, Yes/No, GUIDs), so nothing
// goes through a text form and back; texts and memos come through libmdb's
// decoding (Jet 3 code pages, Jet 4 compressed Unicode), long binary data
// through its page chains.
#include "platform/jet/jetreader.h"

#include <glib.h>
#include <mdbtools.h>

#include <QFile>
#include <QHash>
#include <QLocale>
#include <QUuid>
#include <cstring>

namespace jet {

namespace {

[[noreturn]] void Damaged(const QString &what) {
  detail::Raise(kErrDamaged, QStringLiteral("il file Jet è danneggiato: %1").arg(what));
}

QString Utf8(const char *s) { return s ? QString::fromUtf8(s) : QString(); }

// Bound buffers of texts start at this size; a memo that fills one is read
// again with a larger size.
constexpr size_t kBindSize = 64 * 1024;
constexpr size_t kMaxBindSize = 64 * 1024 * 1024;
// Columns that are never long (numbers, dates, texts of at most 255 characters).
constexpr size_t kShortBuffer = 4096;
// A row slot gives the row's offset in its page in these bits.
constexpr int kOffsetMask = 0x1fff;
// The header: the format's name from byte 4, its version at byte 0x14.
constexpr int kVersionOffset = 0x14;
constexpr int kHeadBytes = 32;
constexpr int kJet3Page = 2048;
constexpr int kJet4Page = 4096;
constexpr int kMaxWidth = 255;       // of a text or binary column
constexpr size_t kBufferSlack = 16;  // past a long column's bind size
constexpr int kMaxInRow = 4096;      // a value kept in its row is at most a page
constexpr size_t kBindGrowth = 8;    // a memo that filled its buffer is read again with 8 times the room
constexpr size_t kMegabyte = 1024 * 1024;
constexpr int kGuidBytes = 16;

bool IsLong(int col_type) { return col_type == MDB_MEMO || col_type == MDB_OLE || col_type == MDB_BINARY; }

int EngineType(const MdbColumn &c) {
  switch (c.col_type) {
    case MDB_BOOL:
      return dbBoolean;
    case MDB_BYTE:
      return dbByte;
    case MDB_INT:
      return dbInteger;
    case MDB_LONGINT:
      return dbLong;
    case MDB_MONEY:
      return dbCurrency;
    case MDB_FLOAT:
      return dbSingle;
    case MDB_DOUBLE:
    case MDB_NUMERIC:
      return dbDouble;
    case MDB_DATETIME:
      return dbDate;
    case MDB_BINARY:
      return dbBinary;
    case MDB_TEXT:
      return dbText;
    case MDB_OLE:
      return dbLongBinary;
    case MDB_MEMO:
      return dbMemo;
    case MDB_REPID:
      return dbGUID;
    default:
      return 0;
  }
}

bool PropTrue(const char *v) {
  if (!v) return false;
  const QString s = QString::fromUtf8(v).trimmed().toLower();
  return s == QLatin1String("yes") || s == QLatin1String("true") || s == QLatin1String("1") || s == QLatin1String("-1");
}

template <class T>
T Raw(const void *p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;  // the file is little-endian, as this machine
}

// A Jet GUID (its first three fields little-endian) in the byte order the
// engine stores GUIDs in.
QByteArray GuidBytes(const unsigned char *p) {
  const QUuid id(Raw<quint32>(p), Raw<quint16>(p + 4), Raw<quint16>(p + 6), p[8], p[9], p[10], p[11], p[12], p[13],
                 p[14], p[15]);
  return id.toRfc4122();
}

}  // namespace

struct JetReader::Handle {
  MdbHandle *mdb = nullptr;
  std::vector<MdbTableDef *> tables;  // parallel to tables_
  ~Handle() {
    for (MdbTableDef *t : tables)
      if (t) mdb_free_tabledef(t);
    if (mdb) mdb_close(mdb);
  }
};

JetFileKind JetFileKindOf(const QByteArray &head) {
  if (head.size() <= kVersionOffset || !head.startsWith(QByteArray("\x00\x01\x00\x00", 4))) return JetFileKind::NotJet;
  const QByteArray magic = head.mid(4, 15);
  if (magic == "Standard ACE DB") return JetFileKind::Later;
  if (magic != "Standard Jet DB") return JetFileKind::NotJet;
  switch (static_cast<unsigned char>(head[kVersionOffset])) {
    case 0:
      return JetFileKind::Jet3;
    case 1:
      return JetFileKind::Jet4;
    default:
      return JetFileKind::Later;
  }
}

JetFileKind JetFileKindOfPath(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return JetFileKind::NotJet;
  return JetFileKindOf(f.read(kHeadBytes));
}

int JetPageSize(JetFileKind kind) { return kind == JetFileKind::Jet3 ? kJet3Page : kJet4Page; }

JetReader::JetReader(const QString &path) : h_(std::make_unique<Handle>()) {
  kind_ = JetFileKindOfPath(path);
  if (kind_ == JetFileKind::NotJet) Damaged(QStringLiteral("l'intestazione non è quella di un archivio Jet"));
  if (kind_ == JetFileKind::Later)
    detail::Raise(kErrUnrecognisedFormat, QStringLiteral("il file è di una versione più recente del formato Jet "
                                                         "(Access 2007 o successivo), che non viene convertita"));
  h_->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
  if (!h_->mdb) Damaged(QStringLiteral("il lettore non riesce ad aprirlo"));
  mdb_set_bind_size(h_->mdb, kBindSize);
  mdb_set_boolean_fmt_numbers(h_->mdb);
  ReadCatalogue();
}

JetReader::~JetReader() = default;

void JetReader::CheckCatalogueWhole() {
  // The catalogue is itself a table ("MSysObjects", one row per object),
  // and its definition gives its own row count: a file cut short or with
  // lost pages yields fewer rows than that, or not even the catalogue's own
  // row, and then the tables it would list are unknown, not absent.
  MdbHandle *mdb = h_->mdb;
  qint64 declared = -1;
  for (unsigned i = 0; i < mdb->num_catalog && declared < 0; ++i) {
    auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type != MDB_TABLE || QByteArray(entry->object_name).compare("MSysObjects", Qt::CaseInsensitive))
      continue;
    MdbTableDef *self = mdb_read_table(entry);
    if (self == nullptr) break;
    declared = self->num_rows;
    mdb_free_tabledef(self);
  }
  if (declared < 0) Damaged(QStringLiteral("il catalogo degli oggetti è incompleto (manca la sua stessa voce)"));
  if (static_cast<qint64>(mdb->num_catalog) < declared)
    Damaged(QStringLiteral("il catalogo degli oggetti elenca %1 oggetti dei %2 che dichiara")
                .arg(mdb->num_catalog)
                .arg(declared));
}

void JetReader::ReadCatalogue() {
  MdbHandle *mdb = h_->mdb;
  if (!mdb_read_catalog(mdb, MDB_ANY)) Damaged(QStringLiteral("il catalogo degli oggetti non è leggibile"));
  CheckCatalogueWhole();
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type == MDB_LINKED_TABLE) {
      notes_ << QStringLiteral("la tabella collegata \"%1\" non è stata copiata: i suoi dati sono in un altro file")
                    .arg(Utf8(entry->object_name));
      continue;
    }
    if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) continue;
    MdbTableDef *t = mdb_read_table(entry);
    if (!t) Damaged(QStringLiteral("la tabella \"%1\" non è leggibile").arg(Utf8(entry->object_name)));
    h_->tables.push_back(t);
    if (!mdb_read_columns(t) || t->num_cols == 0 || t->num_cols > MDB_MAX_COLS)
      Damaged(QStringLiteral("le colonne della tabella \"%1\" non sono leggibili").arg(Utf8(entry->object_name)));
    mdb_read_indices(t);

    JetTableSchema schema;
    detail::TableInfo &info = schema.info;
    info.name = Utf8(t->name);
    schema.expected_rows = t->num_rows;
    for (unsigned c = 0; c < t->num_cols; ++c) {
      const auto *col = static_cast<MdbColumn *>(g_ptr_array_index(t->columns, c));
      FieldInfo f;
      f.name = Utf8(col->name);
      f.type = EngineType(*col);
      if (f.type == 0)
        Damaged(QStringLiteral("la colonna \"%1\" della tabella \"%2\" ha un tipo sconosciuto (%3)")
                    .arg(f.name, info.name)
                    .arg(col->col_type));
      if (f.type == dbText) {
        const int chars = kind_ == JetFileKind::Jet4 ? col->col_size / 2 : col->col_size;
        f.size = chars > 0 && chars <= kMaxWidth ? chars : kMaxWidth;
      } else if (f.type == dbBinary) {
        f.size = col->col_size > 0 && col->col_size <= kMaxWidth ? col->col_size : kMaxWidth;
      } else {
        f.size = FieldInfo::DefaultSize(f.type);
      }
      if (col->col_type == MDB_LONGINT && col->is_long_auto) f.attributes |= dbAutoIncrField;
      f.required = PropTrue(mdb_col_get_prop(col, "Required"));
      if (const char *z = mdb_col_get_prop(col, "AllowZeroLength")) f.allow_zero_length = PropTrue(z);
      QString def = Utf8(mdb_col_get_prop(col, "DefaultValue")).trimmed();
      if (def.startsWith(u'=')) def = def.mid(1).trimmed();  // the form the designer saves
      f.default_value = def;
      f.validation_rule = Utf8(mdb_col_get_prop(col, "ValidationRule"));
      f.validation_text = Utf8(mdb_col_get_prop(col, "ValidationText"));
      for (const char *p : {"Format", "Caption", "Description", "DecimalPlaces", "InputMask"})
        if (const char *v = mdb_col_get_prop(col, p)) f.properties[QString::fromLatin1(p).toLower()] = Utf8(v);
      if (col->col_type == MDB_NUMERIC)
        notes_ << QStringLiteral(
                      "la colonna decimale \"%1\" della tabella \"%2\" è diventata un numero a virgola "
                      "mobile (15 cifre significative)")
                      .arg(f.name, info.name);
      if (col->col_type == MDB_REPID && col->is_uuid_auto)
        notes_ << QStringLiteral("la colonna \"%1\" della tabella \"%2\" non riceve più un identificativo automatico")
                      .arg(f.name, info.name);
      f.ordinal = static_cast<int>(c);
      info.columns.push_back(f);
    }
    for (unsigned x = 0; x < t->num_idxs; ++x) {
      const auto *idx = static_cast<MdbIndex *>(g_ptr_array_index(t->indices, x));
      if (idx->index_type == 2) continue;  // the other side of a relationship, not an index of this table
      if (idx->num_keys == 0) continue;
      if (idx->num_keys > MDB_MAX_IDX_COLS)
        Damaged(QStringLiteral("l'indice \"%1\" della tabella \"%2\" non è leggibile").arg(Utf8(idx->name), info.name));
      detail::IndexInfo ii;
      ii.name = Utf8(idx->name);
      ii.primary = idx->index_type == 1;
      ii.unique = ii.primary || (idx->flags & MDB_IDX_UNIQUE);
      ii.ignore_nulls = idx->flags & MDB_IDX_IGNORENULLS;
      ii.required = idx->flags & MDB_IDX_REQUIRED;
      for (unsigned k = 0; k < idx->num_keys; ++k) {
        const int n = idx->key_col_num[k];
        if (n < 1 || n > static_cast<int>(t->num_cols))
          Damaged(QStringLiteral("l'indice \"%1\" della tabella \"%2\" nomina una colonna che non esiste")
                      .arg(ii.name, info.name));
        ii.fields.emplace_back(info.columns[static_cast<size_t>(n - 1)].name, idx->key_col_order[k] == MDB_DESC);
      }
      info.indexes.push_back(ii);
    }
    tables_.push_back(std::move(schema));
  }
}

namespace {

// Reads every row of `t`, one value per column. `bind` is the size of the
// buffers of long columns; the caller grows it when a memo filled one.
struct TableScan {
  MdbHandle *mdb;
  MdbTableDef *t;
  size_t bind;
  bool truncated = false;

  void Run(const std::function<void(const std::vector<rtl::Variant> &)> &row, qint64 limit) {
    const unsigned ncols = t->num_cols;
    std::vector<std::vector<char>> buffers(ncols);
    std::vector<int> lens(ncols, 0);
    std::vector<MdbColumn *> cols(ncols);
    mdb_set_bind_size(mdb, bind);
    for (unsigned c = 0; c < ncols; ++c) {
      cols[c] = static_cast<MdbColumn *>(g_ptr_array_index(t->columns, c));
      buffers[c].assign(IsLong(cols[c]->col_type) || EngineType(*cols[c]) == 0 ? bind + kBufferSlack : kShortBuffer,
                        '\0');
      mdb_bind_column(t, static_cast<int>(c) + 1, buffers[c].data(), &lens[c]);
    }
    mdb_rewind_table(t);
    std::vector<MdbField> fields(MDB_MAX_COLS);
    std::vector<rtl::Variant> values(ncols);
    qint64 count = 0;
    while (mdb_fetch_row(t)) {
      if (++count > limit)
        Damaged(QStringLiteral("la tabella \"%1\" restituisce più righe delle %2 che dichiara")
                    .arg(Utf8(t->name))
                    .arg(limit));
      int start = 0;
      size_t len = 0;
      if (t->cur_row < 1 || mdb_find_row(mdb, static_cast<int>(t->cur_row) - 1, &start, &len) != 0)
        Damaged(QStringLiteral("una riga della tabella \"%1\" non è leggibile").arg(Utf8(t->name)));
      start &= kOffsetMask;  // the slot's high bits are flags, as the reader masks them itself
      const int cracked = mdb_crack_row(t, start, len, fields.data());
      if (cracked != static_cast<int>(ncols))
        Damaged(QStringLiteral("una riga della tabella \"%1\" non ha tutte le sue colonne").arg(Utf8(t->name)));
      for (unsigned c = 0; c < ncols; ++c) values[c] = Value(*cols[c], fields[c], buffers[c], lens[c]);
      if (truncated) return;
      row(values);
    }
  }

  rtl::Variant Value(MdbColumn &col, const MdbField &f, std::vector<char> &buffer, int len) {
    // Yes/No lives in the row's null mask: a set bit is True.
    if (col.col_type == MDB_BOOL) return rtl::Variant(!f.is_null);
    if (f.is_null) return rtl::Variant::Null();
    const auto *p = static_cast<const unsigned char *>(f.value);
    auto need = [&](int size) {
      if (f.siz != size || !p)
        Damaged(QStringLiteral("un valore della colonna \"%1\" ha una lunghezza errata").arg(Utf8(col.name)));
    };
    switch (col.col_type) {
      case MDB_BYTE:
        need(1);
        return rtl::Variant(static_cast<int>(p[0]));
      case MDB_INT:
        need(2);
        return rtl::Variant(static_cast<int>(Raw<qint16>(p)));
      case MDB_LONGINT:
        need(4);
        return rtl::Variant(static_cast<int>(Raw<qint32>(p)));
      case MDB_MONEY:
        need(sizeof(qint64));
        return rtl::Variant::FromCurrencyRaw(Raw<qint64>(p));
      case MDB_FLOAT:
        need(4);
        return rtl::Variant(static_cast<double>(Raw<float>(p)));
      case MDB_DOUBLE:
        need(sizeof(double));
        return rtl::Variant(Raw<double>(p));
      case MDB_DATETIME:
        need(sizeof(double));
        return rtl::Variant::FromDate(Raw<double>(p));
      case MDB_REPID:
        need(kGuidBytes);
        return rtl::Variant(GuidBytes(p));
      case MDB_BINARY:
        if (f.siz < 0 || f.siz > kMaxInRow || (!p && f.siz > 0))
          Damaged(QStringLiteral("un valore della colonna \"%1\" ha una lunghezza errata").arg(Utf8(col.name)));
        return rtl::Variant(QByteArray(reinterpret_cast<const char *>(p), f.siz));
      case MDB_OLE: {
        if (len <= 0) return rtl::Variant(QByteArray());
        size_t size = 0;
        void *data = mdb_ole_read_full(mdb, &col, &size);
        if (!data && size > 0)
          Damaged(QStringLiteral("un oggetto della colonna \"%1\" non è leggibile").arg(Utf8(col.name)));
        QByteArray bytes(static_cast<const char *>(data), static_cast<qsizetype>(size));
        g_free(data);
        return rtl::Variant(bytes);
      }
      case MDB_NUMERIC: {
        bool ok = false;
        const double d = QLocale::c().toDouble(QString::fromUtf8(buffer.data(), len), &ok);
        if (!ok) Damaged(QStringLiteral("un valore decimale della colonna \"%1\" non è leggibile").arg(Utf8(col.name)));
        return rtl::Variant(d);
      }
      case MDB_MEMO:
        if (static_cast<size_t>(len) + 1 >= bind) truncated = true;
        [[fallthrough]];
      default:
        if (len < 0 || static_cast<size_t>(len) >= buffer.size())
          Damaged(QStringLiteral("un testo della colonna \"%1\" ha una lunghezza errata").arg(Utf8(col.name)));
        return rtl::Variant(QString::fromUtf8(buffer.data(), len));
    }
  }
};

}  // namespace

void JetReader::ReadRows(int index, const std::function<void(const std::vector<rtl::Variant> &)> &row) {
  if (index < 0 || index >= static_cast<int>(tables_.size())) return;
  MdbTableDef *t = h_->tables[static_cast<size_t>(index)];
  const qint64 limit = tables_[static_cast<size_t>(index)].expected_rows;
  // Rows handed out before a memo filled its buffer are not handed out again.
  qint64 delivered = 0;
  for (size_t bind = kBindSize;; bind *= kBindGrowth) {
    TableScan scan{h_->mdb, t, bind};
    qint64 seen = 0;
    scan.Run(
        [&](const std::vector<rtl::Variant> &values) {
          if (seen++ < delivered) return;
          ++delivered;
          row(values);
        },
        limit);
    if (!scan.truncated) break;
    if (bind * kBindGrowth > kMaxBindSize)
      Damaged(QStringLiteral("un testo lungo della tabella \"%1\" supera i %2 MB")
                  .arg(tables_[static_cast<size_t>(index)].info.name)
                  .arg(kMaxBindSize / kMegabyte));
  }
}

std::vector<JetStoredQuery> JetReader::Queries() {
  std::vector<JetStoredQuery> out;
  MdbHandle *mdb = h_->mdb;
  auto read_system = [&](const char *name, const std::function<void(MdbTableDef *)> &use) {
    MdbCatalogEntry *entry = mdb_get_catalogentry_by_name(mdb, name);
    if (!entry) return false;
    MdbTableDef *t = mdb_read_table(entry);
    if (!t) Damaged(QStringLiteral("la tabella di sistema %1 non è leggibile").arg(QLatin1String(name)));
    if (!mdb_read_columns(t)) {
      mdb_free_tabledef(t);
      Damaged(QStringLiteral("la tabella di sistema %1 non è leggibile").arg(QLatin1String(name)));
    }
    try {
      use(t);
    } catch (...) {
      mdb_free_tabledef(t);
      throw;
    }
    mdb_free_tabledef(t);
    return true;
  };
  auto column_of = [](MdbTableDef *t, const char *name) {
    for (unsigned c = 0; c < t->num_cols; ++c)
      if (g_ascii_strcasecmp(static_cast<MdbColumn *>(g_ptr_array_index(t->columns, c))->name, name) == 0)
        return static_cast<int>(c);
    return -1;
  };
  auto scan = [&](MdbTableDef *t, const std::function<void(const std::vector<rtl::Variant> &)> &row) {
    TableScan s{mdb, t, kBindSize};
    s.Run(row, static_cast<qint64>(t->num_rows));
    if (s.truncated) Damaged(QStringLiteral("una query ha un testo troppo lungo"));
  };

  // Query names by object id.
  QHash<qint64, QString> names;
  std::vector<qint64> order;
  read_system("MSysObjects", [&](MdbTableDef *t) {
    const int id = column_of(t, "Id"), name = column_of(t, "Name"), type = column_of(t, "Type");
    if (id < 0 || name < 0 || type < 0) Damaged(QStringLiteral("la tabella di sistema MSysObjects è incompleta"));
    scan(t, [&](const std::vector<rtl::Variant> &v) {
      if (v[static_cast<size_t>(type)].IsNull() || v[static_cast<size_t>(type)].AsInt64() != MDB_QUERY) return;
      const QString n = rtl::VarToStr(v[static_cast<size_t>(name)]);
      if (n.isEmpty() || n.startsWith(u'~')) return;
      const qint64 key = v[static_cast<size_t>(id)].AsInt64();
      names.insert(key, n);
      order.push_back(key);
    });
  });
  if (names.isEmpty()) return out;
  QHash<qint64, std::vector<JetQueryRow>> rows;
  read_system("MSysQueries", [&](MdbTableDef *t) {
    const int id = column_of(t, "ObjectId"), attr = column_of(t, "Attribute"), flag = column_of(t, "Flag"),
              n1 = column_of(t, "Name1"), n2 = column_of(t, "Name2"), ex = column_of(t, "Expression");
    if (id < 0 || attr < 0) Damaged(QStringLiteral("la tabella di sistema MSysQueries è incompleta"));
    scan(t, [&](const std::vector<rtl::Variant> &v) {
      auto text = [&](int c) { return c < 0 ? QString() : rtl::VarToStr(v[static_cast<size_t>(c)]); };
      auto number = [&](int c) {
        return c < 0 || v[static_cast<size_t>(c)].IsNull() ? 0 : static_cast<int>(v[static_cast<size_t>(c)].AsInt64());
      };
      const qint64 key = v[static_cast<size_t>(id)].IsNull() ? 0 : v[static_cast<size_t>(id)].AsInt64();
      if (!names.contains(key)) return;
      rows[key].push_back({number(attr), number(flag), text(n1), text(n2), text(ex)});
    });
  });
  for (qint64 key : order) out.push_back({names.value(key), rows.value(key)});
  return out;
}

}  // namespace jet
