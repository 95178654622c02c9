# Reads vCard files with python3-vobject, an independent vCard parser; any
# parse error or warning counts as a failure.
#   check_vcard.py count FILE...        "COUNT <cards> <file>" per file
#   check_vcard.py expect FILE EXPECTED  compares every card with EXPECTED:
#     lines "CARD", then "<field> <hex of UTF-8 or bytes>" (adr: "adr <type> <hex>");
#     list fields are joined with \x1f.
import sys, warnings
import vobject

warnings.simplefilter('error')


def cards_of(path):
    with open(path, encoding='utf-8') as f:
        return list(vobject.readComponents(f.read()))


def joined(value):
    return ','.join(value) if isinstance(value, list) else value


def fields(card):
    got = {'fn': [card.fn.value]}
    n = card.n.value
    got['n'] = ['\x1f'.join(joined(x) for x in
                            (n.family, n.given, n.additional, n.prefix, n.suffix))]
    for adr in card.contents.get('adr', []):
        kind = next(t for t in adr.params['TYPE'] if t.lower() in ('home', 'work', 'postal'))
        a = adr.value
        got.setdefault('adr', []).append(kind.lower() + ' ' + '\x1f'.join(joined(x) for x in (
            a.box, a.extended, a.street, a.city, a.region, a.code, a.country)))
    for name in ('tel', 'email', 'bday'):
        got[name] = [line.value for line in card.contents.get(name, [])]
    cats = card.contents.get('categories', [])
    got['categories'] = ['\x1f'.join(cats[0].value)] if cats else []
    got['photo'] = [line.value.hex() for line in card.contents.get('photo', [])]
    return got


def expected_cards(path):
    cards = []
    with open(path, encoding='ascii') as f:
        lines = f.read().split('\n')
    for line in lines:
        if line == 'CARD':
            cards.append({})
        elif line:
            parts = line.split(' ')
            if parts[0] == 'photo':
                value = parts[1]
            else:
                value = ' '.join(parts[1:-1] + [bytes.fromhex(parts[-1]).decode('utf-8')])
            cards[-1].setdefault(parts[0], []).append(value)
    return cards


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
    cards = cards_of(sys.argv[2])
    expected = expected_cards(sys.argv[3])
    if len(cards) != len(expected):
        print('CARDS', len(cards), 'expected', len(expected))
        return 1
    failures = 0
    for i, (card, want) in enumerate(zip(cards, expected)):
        got = fields(card)
        for name, values in want.items():
            if sorted(got.get(name, [])) != sorted(values):
                failures += 1
                print('MISMATCH card', i, name, repr(got.get(name)), 'expected', repr(values))
    print('CHECKED', len(cards))
    return 1 if failures else 0


sys.exit(main())
