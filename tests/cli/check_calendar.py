# Checks calendar output with the real consumers: every file parses with
# icalendar, every TZID has its VTIMEZONE, the occurrences that
# recurring_ical_events expands for each series (with its moved occurrences)
# equal the builder's, and each reference mail parses with email without
# defects and carries an id that an event's description names.
#   check_calendar.py EXPECTED.json REFERENCES MERGED.ics... [-- FILE.ics...]
# REFERENCES: folders of mail files and mailboxes, separated by ":".
# Occurrences are expanded from the files before "--", which hold whole series.
import datetime, email, email.policy, json, mailbox, os, re, sys
import icalendar, recurring_ical_events

expected = {item['subject']: item for item in json.load(open(sys.argv[1]))}
errors, described, expanded = [], set(), set()
UTC = datetime.timezone.utc

def seconds(value):
    if isinstance(value, datetime.datetime):
        return int(value.timestamp())
    return (value - datetime.date(1970, 1, 1)).days * 86400

def zone_ids(prop):
    props = prop if isinstance(prop, list) else [prop]
    return [p.params['TZID'] for p in props if 'TZID' in p.params]

paths = sys.argv[3:]
expand_count = paths.index('--') if '--' in paths else len(paths)
for index, path in enumerate(p for p in paths if p != '--'):
    cal = icalendar.Calendar.from_ical(open(path, 'rb').read())
    zones = {str(z['TZID']) for z in cal.walk('VTIMEZONE')}
    events = cal.walk('VEVENT')
    groups = {}
    for event in events:
        for name in ('DTSTART', 'DTEND', 'EXDATE'):
            for zone in zone_ids(event.get(name, [])):
                if zone not in zones:
                    errors.append(f'{path}: {name} TZID {zone} has no VTIMEZONE')
        described |= set(re.findall(r'CalRef ID #(\d+\.\d+)', str(event.get('DESCRIPTION', ''))))
        groups.setdefault(str(event.get('RELATED-TO', event['UID'])), []).append(event)
    for uid, group in groups.items() if index < expand_count else []:
        series = [e for e in group if str(e['UID']) == uid]
        subject = str(series[0]['SUMMARY']) if series else ''
        if subject not in expected:
            errors.append(f'{path}: series {uid} {subject!r} is not in the calendar')
            continue
        item = expected[subject]
        one = icalendar.Calendar()
        for zone in cal.walk('VTIMEZONE'):
            one.add_component(zone)
        for event in group:
            one.add_component(event)
        low = datetime.datetime.fromtimestamp(min(item['starts']) - 86400, UTC)
        high = datetime.datetime.fromtimestamp(max(item['starts']) + 60, UTC)
        got = sorted(seconds(o['DTSTART'].dt) for o in recurring_ical_events.of(one).between(low, high))
        if got != item['starts']:
            errors.append(f'{path}: {subject}: occurrences {got} instead of {item["starts"]}')
        expanded.add(subject)

if expand_count and len(expanded) != len(expected):
    errors.append(f'not expanded: {sorted(set(expected) - expanded)}')
def reference_mails(places):
    for place in filter(None, places.split(os.pathsep)):
        if os.path.isdir(place):
            for name in sorted(os.listdir(place)):
                with open(os.path.join(place, name), 'rb') as f:
                    yield name, email.message_from_binary_file(f, policy=email.policy.default)
        else:
            # The bytes as written: a message taken apart and put together
            # again by the mailbox package is folded anew.
            box = mailbox.mbox(place, create=False)
            for number, key in enumerate(box.keys()):
                yield f'{place} #{number}', email.message_from_bytes(
                    box.get_bytes(key), policy=email.policy.default)

mails = 0
for name, mail in reference_mails(sys.argv[2]):
    mails += 1
    found = re.match(r'CalRef ID #(\d+\.\d+) - ', str(mail['subject']))
    if not found or found.group(1) not in described:
        errors.append(f'{name}: subject {mail["subject"]!r} names no event')
    errors += [f'{name}: {type(d).__name__}' for part in mail.walk() for d in part.defects]
print('\n'.join(errors) or f'{len(expanded)} series, {len(described)} reference ids, {mails} mails')
sys.exit(1 if errors else 0)
