$dir = Join-Path $env:TEMP "kalendro-$($env:ChocolateyPackageVersion)"
Install-ChocolateyZipPackage -PackageName $env:ChocolateyPackageName -Url '@URL@' `
  -Checksum '@SHA256@' -ChecksumType sha256 -UnzipLocation $dir
Install-ChocolateyInstallPackage -PackageName $env:ChocolateyPackageName -FileType exe `
  -File (Join-Path $dir 'install.exe') -SilentArgs '/setup /quiet /allusers' -ValidExitCodes @(0)
