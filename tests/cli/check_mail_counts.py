# Counts the messages of every mailbox or message file directly in each
# listed folder and reports every parsing defect.
#   check_mail_counts.py mbox|eml LISTING   (LISTING: one folder a line)
import email, email.policy, mailbox, os, sys
fmt, listing = sys.argv[1], sys.argv[2]
def defects(msg):
    found = []
    for part in msg.walk():
        found += [type(d).__name__ for d in part.defects]
    return found
for folder in open(listing, encoding='utf-8').read().split('\n'):
    if not folder:
        continue
    count = 0
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if fmt == 'mbox' and name.endswith('.mbox') and os.path.isfile(path):
            box = mailbox.mbox(path, create=False)
            for key in box.keys():
                count += 1
                parsed = email.message_from_bytes(box.get_bytes(key), policy=email.policy.default)
                for d in defects(parsed):
                    print('DEFECT', path, count, d)
        elif fmt == 'eml' and name.endswith('.eml'):
            count += 1
            with open(path, 'rb') as f:
                parsed = email.message_from_binary_file(f, policy=email.policy.default)
            for d in defects(parsed):
                print('DEFECT', path, d)
    print('COUNT', count, folder)
