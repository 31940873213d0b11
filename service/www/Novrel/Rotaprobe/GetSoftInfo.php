<?php
// Answers the update queries of Rotaprobe and Novrel.
//
// POST body (form encoded)   reply (text/plain)
//   Value=SoftVer            version=<newest test-program version>
//   Value=SoftNovrelVer      version=<newest updater version>
//   Value=FileList           FileList,<file 1>,<file 2>,...
//
// The release is described by release.ini in this folder (or in the folder
// named by the environment variable ROTAPROBE_RELEASE_DIR); its files are
// served as static files from App/ beside it.
//
// A release the updater could not install whole is not offered: when
// release.ini names a file that the updater refuses (see
// release_name_problem) or that App/ does not hold, or when it does not say
// what the signed release.manifest beside it says (versions, files in
// order), every query is answered with status 500 and each problem is
// written to the server's error log. The manifest and its signature
// (release.manifest.sig) are served as plain files; the programs verify
// them, this service only compares.

$dir = getenv('ROTAPROBE_RELEASE_DIR');
if ($dir === false || $dir === '') {
    $dir = __DIR__;
}
$release = @parse_ini_file($dir . '/release.ini', false, INI_SCANNER_RAW);

header('Content-Type: text/plain; charset=utf-8');
header('Cache-Control: no-store');

if ($release === false) {
    error_log("update service: $dir/release.ini cannot be read");
    http_response_code(500);
    exit;
}

// Why the updater would refuse a name, or null when it takes it. The same
// rule as the updater's (UpdateProtocol::isReleaseFileName): a bare file
// name, not one of its own folders, not hidden, and one that Windows can
// create; compared without regard to case.
function release_name_problem(string $name): ?string
{
    if ($name === '.' || $name === '..' || preg_match('~[/\\\\:\x00-\x1f]~', $name)) {
        return 'is not a bare file name';
    }
    if ($name[0] === '.') {
        return 'begins with "."';
    }
    if (preg_match('~[. ]$~', $name)) {
        return 'ends in a dot or a blank';
    }
    if (preg_match('~[<>"|?*%#]~', $name)) {
        return 'holds a character Windows does not allow';
    }
    if (strcasecmp($name, 'NovrelTemp') === 0 || strcasecmp($name, 'OldFile') === 0) {
        return "is one of the updater's own folders";
    }
    $stem = strtoupper(rtrim(explode('.', $name)[0], ' '));
    if (preg_match('~^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])$~', $stem)) {
        return 'is a name Windows reserves for a device';
    }
    return null;
}

// The release's files in fetch order, and the problems that stop it being
// offered.
function release_files(array $release, string $dir, array &$problems): array
{
    $names = [];
    foreach (explode(',', $release['files'] ?? '') as $name) {
        $name = trim($name);
        if ($name === '') {
            continue;
        }
        $problem = release_name_problem($name);
        if ($problem === null && !is_file($dir . '/App/' . $name)) {
            $problem = 'is not in ' . $dir . '/App/';
        }
        if ($problem !== null) {
            $problems[] = "file \"$name\" $problem";
        }
        $names[] = $name;
    }
    return $names;
}

// What release.manifest says: versions and file names in order, or null
// when it cannot be read as a manifest.
function manifest_summary(string $path): ?array
{
    $text = @file_get_contents($path);
    if ($text === false || substr($text, -1) !== "\n") {
        return null;
    }
    $lines = explode("\n", substr($text, 0, -1));
    if (array_shift($lines) !== 'format=rotaprobe-release/1') {
        return null;
    }
    $summary = ['version' => null, 'updater_version' => null, 'files' => []];
    foreach ($lines as $line) {
        $parts = explode('=', $line, 2);
        if (count($parts) !== 2) {
            return null;
        }
        [$key, $value] = $parts;
        if ($key === 'version' || $key === 'updater_version') {
            $summary[$key] = $value;
        } elseif ($key === 'file') {
            $fields = explode(' ', $value, 3);
            if (count($fields) !== 3) {
                return null;
            }
            $summary['files'][] = $fields[2];
        } elseif ($key !== 'updater' && $key !== 'expires') {
            return null;
        }
    }
    return $summary;
}

$problems = [];
$files = release_files($release, $dir, $problems);
$manifest = manifest_summary($dir . '/release.manifest');
if ($manifest === null) {
    $problems[] = 'release.manifest is missing or cannot be read';
} else {
    if ($manifest['version'] !== ($release['version'] ?? null)) {
        $problems[] = 'version differs from release.manifest';
    }
    if ($manifest['updater_version'] !== ($release['novrel_version'] ?? null)) {
        $problems[] = 'novrel_version differs from release.manifest';
    }
    if ($manifest['files'] !== $files) {
        $problems[] = 'files differ from release.manifest';
    }
}
if ($problems) {
    foreach ($problems as $problem) {
        error_log("update service: $dir/release.ini refused: $problem");
    }
    http_response_code(500);
    exit;
}

$value = $_POST['Value'] ?? '';
switch ($value) {
    case 'SoftVer':
        echo 'version=' . ($release['version'] ?? '');
        break;
    case 'SoftNovrelVer':
        echo 'version=' . ($release['novrel_version'] ?? '');
        break;
    case 'FileList':
        echo implode(',', array_merge(['FileList'], $files));
        break;
    default:
        http_response_code(400);
}
