# Unzipped into the package's own folder, which only administrators may change:
# the setup runs as administrator from wherever it is unzipped, and a folder of
# a name anyone can predict in a temporary folder could be another user's first.
$dir = Join-Path $env:ChocolateyPackageFolder 'distribution'
Install-ChocolateyZipPackage -PackageName $env:ChocolateyPackageName -Url '@URL@' `
  -Checksum '@SHA256@' -ChecksumType sha256 -UnzipLocation $dir
# No shims for the distribution's programs.
Get-ChildItem $dir -Filter *.exe | ForEach-Object { New-Item "$($_.FullName).ignore" -ItemType File -Force | Out-Null }
Install-ChocolateyInstallPackage -PackageName $env:ChocolateyPackageName -FileType exe `
  -File (Join-Path $dir 'install.exe') -SilentArgs '/setup /quiet /allusers' -ValidExitCodes @(0)
