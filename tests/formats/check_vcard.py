# Reads vCard files with python3-vobject, an independent vCard parser; any
# parse error or warning counts as a failure.
#   check_vcard.py count FILE...  "COUNT <cards> <file>" per file
#   check_vcard.py lines FILE     per card "CARD", then its fields sorted, one
#     a line: "<field> <hex of UTF-8 or bytes>" (adr: "adr <type> <hex>"),
#     list fields joined with \x1f
import sys, warnings
import vobject

warnings.simplefilter('error')


def cards_of(path):
    with open(path, encoding='utf-8') as f:
        return list(vobject.readComponents(f.read()))


def hexed(*parts):
    return '\x1f'.join(','.join(p) if isinstance(p, list) else p for p in parts).encode().hex()


def lines(card):
    n = card.n.value
    out = ['fn ' + hexed(card.fn.value),
           'n ' + hexed(n.family, n.given, n.additional, n.prefix, n.suffix)]
    for adr in card.contents.get('adr', []):
        kind = next(t for t in adr.params['TYPE'] if t.lower() in ('home', 'work', 'postal'))
        a = adr.value
        out.append('adr %s %s' % (kind.lower(), hexed(a.box, a.extended, a.street, a.city,
                                                      a.region, a.code, a.country)))
    for name in ('tel', 'email', 'bday'):
        out += [name + ' ' + hexed(line.value) for line in card.contents.get(name, [])]
    out += ['categories ' + hexed(*c.value) for c in card.contents.get('categories', [])[:1]]
    out += ['photo ' + line.value.hex() for line in card.contents.get('photo', [])]
    return sorted(out)


def main():
    if sys.argv[1] == 'count':
        failed = False
        for path in sys.argv[2:]:
            try:
                print('COUNT', len(cards_of(path)), path)
            except Exception as e:
                failed = True
                print('ERROR', path, type(e).__name__, e)
        return 1 if failed else 0
    for card in cards_of(sys.argv[2]):
        print('\n'.join(['CARD'] + lines(card)))
    return 0


sys.exit(main())
