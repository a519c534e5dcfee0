/* Reads a Paradox table (and its memo file, when given) with the Paradox
 * library and prints what it finds, one item per line, for the export
 * tests: "version V codepage C", then "field NAME TYPE SIZE" per field,
 * then per record "record" and one "value TYPE null" or "value TYPE
 * PAYLOAD" per field (numbers as %.17g; dates as day numbers; texts and
 * memos as hexadecimal bytes). The export tests' independent reader.
 *
 * The library's own memo reading cannot be used: opening a memo file makes
 * version 0.6.8 overrun its stack while it lists the file's blocks. So the
 * records come from the library, and a memo longer than the part its
 * record keeps is fetched here from the memo file by the pointer in the
 * record (a single-memo block: type 2, its size in 4K units, the length,
 * a modification number, then the bytes; or an entry of a shared block). */
#include <paradox.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Gives back one record's values: each value, the bytes of those that
 * hold text, and the array, all from the document's allocator. */
static void free_values(pxdoc_t *doc, pxval_t **values, int fields) {
  for (int i = 0; i < fields; ++i) {
    pxval_t *v = values[i];
    if (v == NULL) continue;
    if (!v->isnull && (v->type == pxfAlpha || v->type == pxfMemoBLOb || v->type == pxfBLOb ||
                       v->type == pxfFmtMemoBLOb || v->type == pxfOLE || v->type == pxfGraphic ||
                       v->type == pxfBytes || v->type == pxfBCD) && v->value.str.val != NULL)
      doc->free(doc, v->value.str.val);
    doc->free(doc, v);
  }
  doc->free(doc, values);
}

static unsigned long le(const unsigned char *p, int n) {
  unsigned long v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

int main(int argc, char **argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: px_dump TABLE.db [TABLE.mb]\n");
    return 2;
  }
  pxdoc_t *doc = PX_new();
  if (doc == NULL || PX_open_file(doc, argv[1]) < 0) {
    fprintf(stderr, "cannot open %s\n", argv[1]);
    return 1;
  }
  FILE *mb = NULL;
  if (argc > 2 && (mb = fopen(argv[2], "rb")) == NULL) {
    fprintf(stderr, "cannot open %s\n", argv[2]);
    return 1;
  }
  float version = 0, codepage = 0;
  PX_get_value(doc, "fileversion", &version);
  PX_get_value(doc, "codepage", &codepage);
  printf("version %g codepage %g\n", version, codepage);
  int fields = PX_get_num_fields(doc);
  pxfield_t *field = PX_get_fields(doc);
  int offset[256] = {0};
  for (int i = 0; i < fields; ++i) {
    printf("field %s %d %d\n", field[i].px_fname, field[i].px_ftype, field[i].px_flen);
    if (i + 1 < 256) offset[i + 1] = offset[i] + field[i].px_flen;
  }
  int records = PX_get_num_records(doc);
  char *raw = malloc(65536);
  for (int r = 0; r < records; ++r) {
    if (PX_get_record(doc, r, raw) == NULL) {
      fprintf(stderr, "cannot read record %d\n", r);
      return 1;
    }
    pxval_t **values = PX_retrieve_record(doc, r);
    if (values == NULL) {
      fprintf(stderr, "cannot read record %d\n", r);
      return 1;
    }
    printf("record\n");
    for (int i = 0; i < fields; ++i) {
      pxval_t *v = values[i];
      printf("value %d ", field[i].px_ftype);
      if (field[i].px_ftype == pxfMemoBLOb || field[i].px_ftype == pxfBLOb) {
        const unsigned char *cell = (const unsigned char *)raw + offset[i];
        int leader = field[i].px_flen - 10;
        unsigned long pointer = le(cell + leader, 4), size = le(cell + leader + 4, 4);
        if (size == 0) {
          printf("null\n");
          continue;
        }
        unsigned char *data = malloc(size + 1);
        if (size <= (unsigned long)leader) {
          memcpy(data, cell, size);
        } else {
          unsigned char head[12];
          if (mb == NULL || fseek(mb, (long)(pointer & 0xFFFFFF00UL), SEEK_SET) != 0 || fread(head, 1, 9, mb) != 9) {
            fprintf(stderr, "memo of record %d not found\n", r);
            return 1;
          }
          if (head[0] == 2 && (pointer & 0xFF) == 0xFF && le(head + 3, 4) == size) {
            if (fread(data, 1, size, mb) != size) return 1;
          } else if (head[0] == 3) {
            unsigned char entry[5];
            fseek(mb, (long)(pointer & 0xFFFFFF00UL) + 12 + (long)(pointer & 0xFF) * 5, SEEK_SET);
            if (fread(entry, 1, 5, mb) != 5) return 1;
            fseek(mb, (long)(pointer & 0xFFFFFF00UL) + entry[0] * 16L, SEEK_SET);
            if (fread(data, 1, size, mb) != size) return 1;
          } else {
            fprintf(stderr, "record %d points to a block of type %d\n", r, head[0]);
            return 1;
          }
        }
        for (unsigned long k = 0; k < size; ++k) printf("%02X", data[k]);
        printf("\n");
        free(data);
        continue;
      }
      /* A blank 4-byte field is all zeros, which the library reads on 64-bit
       * systems as the value -2^31 (it tests 8 bytes for zero): that value
       * has no other encoding, so it is the blank. */
      int blank_long = (field[i].px_ftype == pxfDate || field[i].px_ftype == pxfLong) && v->value.lval == -2147483648L;
      if (v->isnull || blank_long) {
        printf("null\n");
        continue;
      }
      switch (field[i].px_ftype) {
        case pxfAlpha:
          for (int k = 0; k < v->value.str.len; ++k) printf("%02X", (unsigned char)v->value.str.val[k]);
          printf("\n");
          break;
        case pxfNumber:
        case pxfCurrency:
        case pxfTimestamp:
          printf("%.17g\n", v->value.dval);
          break;
        default:
          printf("%ld\n", v->value.lval);
          break;
      }
    }
    free_values(doc, values, fields);
  }
  free(raw);
  if (mb != NULL) fclose(mb);
  PX_close(doc);
  PX_delete(doc);
  return 0;
}
