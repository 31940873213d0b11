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

$dir = getenv('ROTAPROBE_RELEASE_DIR');
if ($dir === false || $dir === '') {
    $dir = __DIR__;
}
$release = @parse_ini_file($dir . '/release.ini', false, INI_SCANNER_RAW);

header('Content-Type: text/plain; charset=utf-8');
header('Cache-Control: no-store');

if ($release === false) {
    http_response_code(500);
    exit;
}

// Only bare file names go into a list: the updater writes them in its folder.
function release_files(array $release): array
{
    $names = [];
    foreach (explode(',', $release['files'] ?? '') as $name) {
        $name = trim($name);
        if ($name !== '' && $name === basename($name) && $name !== '.' && $name !== '..') {
            $names[] = $name;
        }
    }
    return $names;
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
        echo implode(',', array_merge(['FileList'], release_files($release)));
        break;
    default:
        http_response_code(400);
}
