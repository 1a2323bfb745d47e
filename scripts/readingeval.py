#!/usr/bin/env python3
"""Checks reading evaluation sets and scores a reading engine on them.

usage: readingeval.py [--check] [--engine CMD] [--errors] [--confidence] [--ledger]
                     [--against DIC] SET.tsv [SET.tsv ...]

A set file holds one sentence a row: `sentence<TAB>run=reading run=reading ...`
(see the header of tests/data/readingeval.tsv). Every row is checked first:
each maximal kanji run of the sentence must be annotated, in order, with a
hiragana reading. Any fault is printed and the exit code is 1.

Without --engine the engine is bare MeCab with IPADIC (the `mecab` command;
on Debian `apt-get install mecab mecab-ipadic-utf8`), scored two ways:
  whole text - the sentence goes to MeCab and each run takes its reading from
               the tokens covering it; kana that a token holds beside the run
               are matched against its reading and stripped; a token that
               cannot be split so is counted wrong;
  run alone  - the run's characters alone go to MeCab (as F5 on a selection).
With --engine CMD, CMD (run by the shell) reads lines of text on stdin and
prints for each line one line of `run=reading` pairs, space separated. It is
given the sentences (whole text) and then the runs, one a line (run alone).
With --confidence, CMD marks readings it is unsure of with ? and guesses with ??
(rubello-reading --runs --confidence); the figures say how many runs are marked
and how many of the runs read wrong the marks catch.
With --ledger, CMD is run once whole and once without each stage of the chain
(CMD --without STAGE); each stage's row says how many runs it fixes and how many
it breaks against the chain without it.
With --against DIC, bare MeCab reads the sentences with another dictionary (the
OpenJTalk one, say: a folder of sys.dic with a dicrc): the figures say how often
it and CMD disagree, how many of CMD's wrong runs are among those, and what a
perfect choice between the two would score, the most a second analysis could add.
"""
import argparse
import re
import shutil
import subprocess
import sys

DIC = '/var/lib/mecab/dic/ipadic-utf8'
NUMBER = re.compile(r'[0-9０-９]+(?:[,.，．][0-9０-９]+)*')
READING = re.compile(r'[ぁ-ゖー]+')
SMALL_KE = 'ヶヵ'


def is_kanji(c):
    o = ord(c)
    return (0x4E00 <= o <= 0x9FFF or 0x3400 <= o <= 0x4DBF or 0xF900 <= o <= 0xFAFF
            or 0x20000 <= o <= 0x3FFFF or c in '々〆〇')


# Counters that say a count after a name (PBR1倍); those that also begin nouns
# (品種, 代表, 形式, 版, and 日 of 日本) are left out.
COUNTS = '倍個本枚台回人件点歳匹冊軒社名割円位番階号巻章条杯頭羽着足週年月時分秒'


def latin_name_at(text, start, end):
    """Digits that end a Latin name (F1, MP3) stay out of a run; a paper
    size (A4, B5) and a count (PBR1倍) are said in Japanese and join it."""
    if end < len(text) and text[end] in COUNTS:
        return False

    def latin(i):
        return i >= 0 and (text[i].isascii() and text[i].isalpha() or 'Ａ' <= text[i] <= 'Ｚ' or 'ａ' <= text[i] <= 'ｚ')
    if start >= 2 and text[start - 1] in '-‐' and latin(start - 2):
        return True
    if not latin(start - 1):
        return False
    return not (text[start - 1] in 'AaBbＡａＢｂ' and not latin(start - 2))


def runs_of(text):
    """Maximal kanji runs as (start, end). A run holds kanji, 々, 〆 and 〇;
    ヶ or ヵ between a run character and a kanji; and a number (digits, with
    , or . only between digits) directly followed by a kanji or by ヶ/ヵ and a kanji,
    unless it ends a Latin name."""
    n = len(text)
    mark = [is_kanji(c) for c in text]
    for m in NUMBER.finditer(text):
        e = m.end()
        if latin_name_at(text, m.start(), m.end()):
            continue
        if e < n and (is_kanji(text[e]) or (text[e] in SMALL_KE and e + 1 < n and is_kanji(text[e + 1]))):
            mark[m.start():e] = [True] * (e - m.start())
    for i, c in enumerate(text):
        if c in SMALL_KE and 0 < i < n - 1 and mark[i - 1] and is_kanji(text[i + 1]):
            mark[i] = True
    runs, i = [], 0
    while i < n:
        if mark[i]:
            j = i
            while j < n and mark[j]:
                j += 1
            runs.append((i, j))
            i = j
        else:
            i += 1
    return runs


def hira(s):
    return ''.join(chr(ord(c) - 0x60) if 0x30A1 <= ord(c) <= 0x30F6 else c for c in s)


def is_kana(s):
    return all(0x3041 <= ord(c) <= 0x3096 or 0x30A1 <= ord(c) <= 0x30FA or c == 'ー' for c in s)


def load(path):
    """Returns rows (line number, sentence, [(start, end, reading)]) and the faults found."""
    rows, faults, seen = [], [], {}
    with open(path, encoding='utf-8') as f:
        for no, line in enumerate(f, 1):
            line = line.rstrip('\n')
            if not line.strip() or line.startswith('#'):
                continue
            def fault(msg):
                faults.append(f'{path}:{no}: {msg}')
            cells = line.split('\t')
            if len(cells) != 2:
                fault('want sentence<TAB>annotations')
                continue
            sentence, notes = cells
            if sentence != sentence.strip() or notes != notes.strip() or '  ' in notes:
                fault('stray spaces')
            if sentence in seen:
                fault(f'same sentence as line {seen[sentence]}')
            seen[sentence] = no
            runs = runs_of(sentence)
            pairs = [p.split('=', 1) if '=' in p else [p, ''] for p in notes.split()]
            got = [p[0] for p in pairs]
            want = [sentence[s:e] for s, e in runs]
            if not runs:
                fault('no kanji run')
            if got != want:
                fault(f'runs are {" ".join(want)}; annotated {" ".join(got)}')
                continue
            for (run, reading) in pairs:
                letters = sum(1 for c in run if not NUMBER.fullmatch(c) and c not in ',.，．')
                if not READING.fullmatch(reading):
                    fault(f'{run}: reading "{reading}" is not hiragana')
                elif len(reading) < letters:
                    fault(f'{run}: reading "{reading}" is shorter than the run')
            rows.append((no, sentence, [(s, e, r) for (s, e), (_, r) in zip(runs, pairs)]))
    return rows, faults


def mecab_tokens(lines):
    """Per line, MeCab's tokens as (start, end, reading or None)."""
    out = subprocess.run(['mecab', '-d', DIC], input='\n'.join(lines) + '\n',
                         capture_output=True, text=True, check=True).stdout
    result, tokens, line_no, pos = [], [], 0, 0
    for row in out.split('\n'):
        if row == 'EOS':
            result.append(tokens)
            tokens, line_no, pos = [], line_no + 1, 0
            continue
        if not row:
            continue
        surface, _, features = row.partition('\t')
        start = lines[line_no].index(surface, pos)
        pos = start + len(surface)
        fields = features.split(',')
        reading = fields[7] if len(fields) > 7 and fields[7] != '*' else None
        if reading is None and is_kana(surface):
            reading = surface
        tokens.append((start, pos, None if reading is None else hira(reading)))
    return result


def mecab_whole(sentence, runs, tokens):
    """The reading MeCab gives each run of the sentence (None where it cannot be told)."""
    owner = {}
    for k, (s, e, _) in enumerate(runs):
        for i in range(s, e):
            owner[i] = k
    pieces = [[] for _ in runs]
    broken = set()
    for s, e, reading in tokens:
        inside = [owner[i] for i in range(s, e) if i in owner]
        if not inside:
            continue
        pattern, groups, i = '', [], s
        while i < e:
            j = i
            while j < e and owner.get(j) == owner.get(i):
                j += 1
            if i in owner:
                pattern += '(.+?)'
                groups.append(owner[i])
            else:
                pattern += re.escape(hira(sentence[i:j]))
            i = j
        m = re.fullmatch(pattern, reading) if reading is not None else None
        if m is None:
            broken.update(groups)
        else:
            for k, text in zip(groups, m.groups()):
                pieces[k].append(text)
    return [None if k in broken else ''.join(p) for k, p in enumerate(pieces)]


def mecab_alone(tokens):
    if any(r is None for _, _, r in tokens):
        return None
    return ''.join(r for _, _, r in tokens)


def engine_lines(cmd, lines):
    out = subprocess.run(cmd, shell=True, input='\n'.join(lines) + '\n',
                         capture_output=True, text=True, check=True).stdout.split('\n')
    return [[tuple(p.split('=', 1)) if '=' in p else (p, '') for p in line.split()]
            for line in (out + [''] * len(lines))[:len(lines)]]


def engine_whole(sentence, runs, pairs):
    """Matches the runs, in order, to the engine's pairs; a run the engine split
    in several adjacent pairs takes their readings joined."""
    result, i = [], 0
    for s, e, _ in runs:
        run, found = sentence[s:e], None
        for j in range(i, len(pairs)):
            text, reading, k = '', '', j
            while k < len(pairs) and len(text) < len(run):
                text, reading, k = text + pairs[k][0], reading + pairs[k][1], k + 1
            if text == run:
                found, i = hira(reading), k
                break
        result.append(found)
    return result


def engine_alone(run, pairs):
    if ''.join(p[0] for p in pairs) != run:
        return None
    return hira(''.join(p[1] for p in pairs))


def score(path, rows, engine, show_errors):
    sentences = [s for _, s, _ in rows]
    alone = [s[b:e] for _, s, runs in rows for b, e, _ in runs]
    if engine:
        whole = [engine_whole(s, runs, p) for (_, s, runs), p in zip(rows, engine_lines(engine, sentences))]
        single = [engine_alone(r, p) for r, p in zip(alone, engine_lines(engine, alone))]
    else:
        whole = [mecab_whole(s, runs, t) for (_, s, runs), t in zip(rows, mecab_tokens(sentences))]
        single = [mecab_alone(t) for t in mecab_tokens(alone)]
    total = right_whole = right_alone = full = n = 0
    for (no, sentence, runs), got in zip(rows, whole):
        ok = True
        for (s, e, reading), g in zip(runs, got):
            total += 1
            right_whole += g == reading
            right_alone += single[n] == reading
            if g != reading:
                ok = False
                if show_errors:
                    print(f'{path}:{no}: {sentence[s:e]}={reading} whole text: {g}, alone: {single[n]}')
            elif single[n] != reading and show_errors:
                print(f'{path}:{no}: {sentence[s:e]}={reading} alone: {single[n]}')
            n += 1
        full += ok
    pct = lambda a, b: f'{100.0 * a / b:.1f}%' if b else '-'
    print(f'set: {path}')
    print(f'engine: {engine or "mecab -d " + DIC}')
    print(f'sentences: {len(rows)}')
    print(f'runs: {total}')
    print(f'runs right, whole text: {pct(right_whole, total)} ({right_whole})')
    print(f'runs right, run alone: {pct(right_alone, total)} ({right_alone})')
    print(f'sentences fully right, whole text: {pct(full, len(rows))} ({full})')


def confidence(path, rows, engine):
    """How many runs the engine marks, and how many wrong runs are among them."""
    sentences = [s for _, s, _ in rows]
    total = marked = wrong = caught = 0
    for (_, sentence, runs), pairs in zip(rows, engine_lines(engine, sentences)):
        marks = [len(r) - len(r.rstrip('?')) for _, r in pairs]
        clean = [(t, r.rstrip('?')) for t, r in pairs]
        got = engine_whole(sentence, runs, clean)
        texts = [t for t, _ in pairs]
        for (s, e, reading), g in zip(runs, got):
            total += 1
            k = texts.index(sentence[s:e]) if sentence[s:e] in texts else -1
            m = marks[k] if k >= 0 else 0
            marked += m > 0
            if g != reading:
                wrong += 1
                caught += m > 0
    pct = lambda a, b: f'{100.0 * a / b:.1f}%' if b else '-'
    print(f'set: {path}')
    print(f'runs marked unsure or guessed: {pct(marked, total)} ({marked} of {total})')
    print(f'wrong runs among them: {pct(caught, wrong)} ({caught} of {wrong})')


def against(loaded, engine, dic):
    """The engine beside bare MeCab with another dictionary, run by run."""
    global DIC
    rows = [r for _, rs in loaded for r in rs]
    sentences = [s for _, s, _ in rows]
    mine = [engine_whole(s, runs, p) for (_, s, runs), p in zip(rows, engine_lines(engine, sentences))]
    DIC = dic
    other = [mecab_whole(s, runs, t) for (_, s, runs), t in zip(rows, mecab_tokens(sentences))]
    total = right = right_other = either = disagree = wrong = wrong_disagreed = 0
    for (_, _, runs), m, o in zip(rows, mine, other):
        for (_, _, reading), a, b in zip(runs, m, o):
            total += 1
            right += a == reading
            right_other += b == reading
            either += reading in (a, b)
            disagree += a != b
            wrong += a != reading
            wrong_disagreed += a != reading and a != b
    pct = lambda a, b: f'{100.0 * a / b:.2f}%' if b else '-'
    print(f'sets: {", ".join(p for p, _ in loaded)}; {total} runs')
    print(f'engine: {pct(right, total)}; mecab -d {dic}: {pct(right_other, total)}')
    print(f'they disagree on {pct(disagree, total)} of the runs, on {wrong_disagreed} of the '
          f'engine\'s {wrong} wrong runs')
    print(f'a perfect choice between them: {pct(either, total)}')


STAGES = ['okurigana', 'numbers', 'unknown', 'wordlist', 'homographs', 'joining', 'fixed', 'ranking', 'stated']


def right_runs(rows, engine):
    sentences = [s for _, s, _ in rows]
    out = []
    for (_, sentence, runs), pairs in zip(rows, engine_lines(engine, sentences)):
        got = engine_whole(sentence, runs, pairs)
        out += [g == reading for (_, _, reading), g in zip(runs, got)]
    return out


def ledger(loaded, engine):
    """Per stage: runs fixed and broken against the chain without it."""
    print(f'{"stage":10} {"fixed":>6} {"broken":>7}   (sets: {", ".join(p for p, _ in loaded)})')
    rows = [r for _, rs in loaded for r in rs]
    whole = right_runs(rows, engine)
    for stage in STAGES:
        without = right_runs(rows, f'{engine} --without {stage}')
        fixed = sum(1 for a, b in zip(whole, without) if a and not b)
        broken = sum(1 for a, b in zip(whole, without) if b and not a)
        print(f'{stage:10} {fixed:6} {broken:7}')


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('sets', nargs='+')
    ap.add_argument('--check', action='store_true', help='only check the set files')
    ap.add_argument('--engine', help='command reading lines and printing run=reading pairs')
    ap.add_argument('--errors', action='store_true', help='list each run read wrong')
    ap.add_argument('--ledger', action='store_true',
                    help='with --engine: runs each stage fixes and breaks')
    ap.add_argument('--confidence', action='store_true',
                    help='with --engine: how the marks of unsure readings cover the wrong ones')
    ap.add_argument('--against', metavar='DIC',
                    help='with --engine: the engine beside bare MeCab with another dictionary')
    args = ap.parse_args()
    loaded, faults, where = [], [], {}
    for path in args.sets:
        rows, bad = load(path)
        faults += bad
        for no, sentence, _ in rows:
            if sentence in where and where[sentence][0] != path:
                faults.append(f'{path}:{no}: same sentence as {where[sentence][0]}:{where[sentence][1]}')
            where.setdefault(sentence, (path, no))
        loaded.append((path, rows))
    for f in faults:
        print(f, file=sys.stderr)
    if faults:
        return 1
    for path, rows in loaded:
        print(f'{path}: {len(rows)} sentences, {sum(len(r) for _, _, r in rows)} runs, well formed')
    if args.check:
        return 0
    if not args.engine and not shutil.which('mecab'):
        print('mecab not found (Debian: apt-get install mecab mecab-ipadic-utf8)', file=sys.stderr)
        return 2
    if args.ledger and args.engine:
        print()
        ledger(loaded, args.engine)
        return 0
    if args.against and args.engine:
        print()
        against(loaded, args.engine, args.against)
        return 0
    for path, rows in loaded:
        print()
        if args.confidence and args.engine:
            confidence(path, rows, args.engine)
        else:
            score(path, rows, args.engine, args.errors)
    return 0


if __name__ == '__main__':
    sys.exit(main())
